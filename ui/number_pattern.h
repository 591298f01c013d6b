#pragma once

// How sizes and offsets are shown: digits in groups of three from the right, no leading zeros,
// and no digit at all for 0. Groups are separated by the locale's separator, followed by one
// space where that is a comma ("1, 234, 567"); other separators stand alone: "1.234.567" in
// German, "1 234 567" (with narrow spaces) in French.

#include <QLocale>
#include <QString>
#include <cstdint>

namespace kofrex {

QString FormatNumber(std::int64_t value, const QLocale& locale = QLocale::system());

}  // namespace kofrex
