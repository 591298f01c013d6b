#include "names.h"

#include <array>
#include <cstdint>
#include <optional>

#include "archive_format.h"

namespace kofrex {
namespace {

// Unicode code points of Windows-1252 bytes 0x80 to 0x9F; 0 marks an unassigned byte.
constexpr std::array<char32_t, 32> kHighControls{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char kUnmappable = '?';

std::optional<char> ToWindows1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<char>(codePoint);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == codePoint) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

char32_t FromWindows1252(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        const char32_t mapped = kHighControls[byte - 0x80];
        return mapped != 0 ? mapped : char32_t{0xFFFD};
    }
    return byte;
}

// Decodes one UTF-8 sequence at `pos`; returns nullopt for a malformed one, with `length`
// set to the bytes to skip.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    length = 1;
    std::size_t needed = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        needed = 1, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        needed = 2, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        needed = 3, value = lead & 0x07, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + needed >= text.size()) {
        return std::nullopt;  // cut short by the end of the text
    }
    for (std::size_t i = 1; i <= needed; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (next & 0x3F);
    }
    length = needed + 1;
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < smallest || value > 0x10FFFF || surrogate) {
        return std::nullopt;
    }
    return value;
}

// Windows-1252 decodes to the Basic Multilingual Plane: three bytes at most.
void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string EncodeWindows1252(std::string_view utf8) {
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t length = 1;
        const std::optional<char32_t> cp = DecodeUtf8(utf8, pos, length);
        const std::optional<char> byte = cp ? ToWindows1252(*cp) : std::nullopt;
        out += byte.value_or(kUnmappable);
        pos += length;
    }
    return out;
}

std::string DecodeWindows1252(std::string_view windows1252) {
    std::string out;
    for (const char c : windows1252) {
        AppendUtf8(out, FromWindows1252(static_cast<unsigned char>(c)));
    }
    return out;
}

char UpperCase1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
        return static_cast<char>(byte - 0x20);
    }
    switch (byte) {
        case 0x9A:  // š
        case 0x9C:  // œ
        case 0x9E:  // ž
            return static_cast<char>(byte - 0x10);
        case 0xFF:  // ÿ
            return static_cast<char>(0x9F);
        default:
            return c;
    }
}

std::string UpperCase1252(std::string_view windows1252) {
    std::string out(windows1252);
    for (char& c : out) {
        c = UpperCase1252(c);
    }
    return out;
}

std::string_view TrimSpaces(std::string_view text) {
    // Plain loops: a lookup trims every one of millions of stored names.
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && text[first] == ' ') {
        ++first;
    }
    while (end > first && text[end - 1] == ' ') {
        --end;
    }
    return text.substr(first, end - first);
}

namespace {

// Only "/" separates folders on Linux: a backslash is part of the file's own name.
std::string_view FileName(std::string_view path) {
    const std::size_t separator = path.rfind('/');
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace

std::string GetStoredName(std::string_view path) {
    return UpperCase1252(EncodeWindows1252(FileName(path)));
}

bool KeepsFileName(std::string_view path) {
    const std::string_view name = FileName(path);
    const std::string encoded = EncodeWindows1252(name);
    return DecodeWindows1252(encoded) == name && encoded.size() <= kNameSize &&
           TrimSpaces(encoded).size() == encoded.size();
}

std::string FitName(std::string_view name) {
    std::string fitted(name.substr(0, kNameSize));
    fitted.resize(kNameSize, ' ');
    return fitted;
}

std::string FolderNamedAfter(std::string_view archive) {
    constexpr std::string_view kExtension = ".kfx";
    const std::size_t slash = archive.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = archive.substr(nameStart);
    const bool named = name.size() > kExtension.size() &&
                       UpperCase1252(name.substr(name.size() - kExtension.size())) == ".KFX";
    return named ? std::string(archive.substr(0, archive.size() - kExtension.size()))
                 : std::string(archive) + ".files";
}

}  // namespace kofrex
