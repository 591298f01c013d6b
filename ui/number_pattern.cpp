#include "number_pattern.h"

#include <algorithm>

namespace kofrex {
namespace {

// A space after a comma reads as in running text; after a point ("1. 234") it reads as the end
// of a sentence, and a space after a space is none the clearer.
QString GroupSeparator(const QLocale& locale) {
    const QString separator = locale.groupSeparator();
    return separator == QLatin1String(",") ? separator + u' ' : separator;
}

}  // namespace

QString FormatNumber(std::int64_t value, const QLocale& locale) {
    if (value == 0) {
        return {};
    }
    const QString digits = QString::number(value).remove(u'-');
    const QString separator = GroupSeparator(locale);
    QString grouped;
    for (qsizetype end = digits.size(); end > 0; end -= 3) {
        const qsizetype start = std::max<qsizetype>(0, end - 3);
        const QString group = digits.mid(start, end - start);
        grouped = grouped.isEmpty() ? group : group + separator + grouped;
    }
    return value < 0 ? u'-' + grouped : grouped;
}

}  // namespace kofrex
