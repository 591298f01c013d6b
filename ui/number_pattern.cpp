#include "number_pattern.h"

#include <algorithm>

namespace kofrex {

QString FormatNumber(std::int64_t value, const QLocale& locale) {
    if (value == 0) {
        return {};
    }
    const QString digits = QString::number(value).remove(u'-');
    const QString separator = locale.groupSeparator() + u' ';
    QString grouped;
    for (qsizetype end = digits.size(); end > 0; end -= 3) {
        const qsizetype start = std::max<qsizetype>(0, end - 3);
        const QString group = digits.mid(start, end - start);
        grouped = grouped.isEmpty() ? group : group + separator + grouped;
    }
    return value < 0 ? u'-' + grouped : grouped;
}

}  // namespace kofrex
