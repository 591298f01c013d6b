#pragma once

// How sizes and offsets are shown: digits in groups of three from the right, each group
// separator followed by one space, no leading zeros, and no digit at all for 0.

#include <QLocale>
#include <QString>
#include <cstdint>

namespace kofrex {

QString FormatNumber(std::int64_t value, const QLocale& locale = QLocale::system());

}  // namespace kofrex
