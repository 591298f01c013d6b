// The names entries are written under in a folder. Every name read from an archive is untrusted:
// it becomes one file name inside the folder, never a path. They are worked out on the stored
// bytes, in one pass over the directory for the rows asked for only, so that one row of ten
// million entries costs a read of the names, not a copy of them.

#include <algorithm>
#include <array>
#include <bitset>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "modKofrex.h"

namespace kofrex {
namespace {

// The bytes a safe name is made of, still in Windows-1252: a stored name trimmed, each byte that
// could break out of one name ('/', a control character) made '_', each unassigned byte made one
// of them (all show as U+FFFD), never "", "." or "..". Two stored names give one safe name
// exactly when they give one form.
class Form {
  public:
    explicit Form(std::string_view stored) {
        const std::string_view trimmed = TrimSpaces(stored.substr(0, kNameSize));
        size_ = trimmed.size();
        std::transform(trimmed.begin(), trimmed.end(), bytes_.begin(), Safe);
        if (View().empty() || View() == "." || View() == "..") {
            size_ = std::max<std::size_t>(size_, 1);
            std::fill_n(bytes_.begin(), size_, '_');
        }
    }
    std::string_view View() const { return {bytes_.data(), size_}; }

    static char Safe(char c) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/') {
            return '_';
        }
        const bool unassigned =
            byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        return unassigned ? '\x81' : c;
    }

  private:
    std::array<char, kNameSize> bytes_{};
    std::size_t size_ = 0;
};

// Where " (n)" goes: before the extension, unless the only dot starts the name.
std::size_t NumberAt(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos || dot == 0 ? name.size() : dot;
}

std::string Numbered(std::string_view name, long number) {
    const std::size_t at = NumberAt(name);
    std::string numbered(name.substr(0, at));
    numbered += " (" + std::to_string(number) + ")";
    numbered += name.substr(at);
    return numbered;
}

// The name and number that Numbered() made `form` from, if it could have: no two names and
// numbers make the same one, so a numbered name only ever stands in the way of its own name.
std::optional<std::pair<std::string, long>> NumberedFrom(std::string_view form) {
    const std::size_t dot = form.find_last_of('.');
    const std::size_t end = dot == std::string_view::npos || dot == 0 ? form.size() : dot;
    const std::size_t open = form.substr(0, end).rfind(" (");
    if (open == std::string_view::npos || open == 0 || end < open + 4 || form[end - 1] != ')') {
        return std::nullopt;
    }
    const std::string_view digits = form.substr(open + 2, end - open - 3);
    if (digits.front() == '0' || digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    std::string name(form.substr(0, open));
    name += form.substr(end);
    if (NumberAt(name) != open) {
        return std::nullopt;  // its dot would have put the number elsewhere
    }
    return std::pair{std::move(name), std::stol(std::string(digits))};
}

// What the pass learns of one safe name that a row asked for has.
struct Claims {
    std::size_t rows = 0;            // rows seen so far with this name
    std::vector<long> taken;         // numbers whose numbered name a row has as its own
    std::vector<std::size_t> asked;  // the asked rows' places in the answer
    std::vector<std::size_t> order;  // and which of the rows with this name each was
};

// A quick test that lets most rows pass without making their form: the first and last bytes and
// the length that a row's form must have to be one of the names, or one of their numbered names.
class Sieve {
  public:
    void Admit(std::string_view form) {
        first_.set(static_cast<unsigned char>(form.front()));
        last_.set(static_cast<unsigned char>(form.back()));
        last_.set(')');
        for (std::size_t size = form.size() + 4; size <= kNameSize; ++size) {
            sizes_.set(size);
        }
        sizes_.set(form.size());
    }
    bool MayHold(std::string_view stored) const {
        const std::string_view trimmed = TrimSpaces(stored);
        return trimmed.size() <= 2 ||  // may be made "_" or "__"
               (sizes_.test(trimmed.size()) &&
                first_.test(static_cast<unsigned char>(Form::Safe(trimmed.front()))) &&
                last_.test(static_cast<unsigned char>(Form::Safe(trimmed.back()))));
    }

  private:
    std::bitset<256> first_, last_;
    std::bitset<kNameSize + 1> sizes_;
};

// The first row with a name takes it as it is; each later one the next number that no row has as
// its own name. Into `names`, for the rows asked for, which the pass met in order.
void Choose(const std::string& name, Claims& claims, std::vector<std::string>& names) {
    std::sort(claims.taken.begin(), claims.taken.end());
    long number = 1;
    std::size_t numbered = 0;
    for (std::size_t i = 0; i < claims.asked.size(); ++i) {
        for (; numbered < claims.order[i]; ++numbered) {
            while (std::binary_search(claims.taken.begin(), claims.taken.end(), ++number)) {
            }
        }
        names[claims.asked[i]] =
            DecodeWindows1252(claims.order[i] == 0 ? name : Numbered(name, number));
    }
}

}  // namespace

std::vector<std::string> SafeFileNames(const EntryTable& entries,
                                       const std::vector<std::int32_t>& indexes) {
    std::unordered_map<std::string, Claims> claims;
    Sieve sieve;
    std::vector<std::pair<std::size_t, std::size_t>> asked;  // row, place in the answer
    for (std::size_t at = 0; at < indexes.size(); ++at) {
        const auto row = static_cast<std::size_t>(indexes[at] - 1);
        const Form form(entries.NameAt(row));
        sieve.Admit(form.View());
        claims[std::string(form.View())];
        asked.emplace_back(row, at);
    }
    std::sort(asked.begin(), asked.end());
    auto next = asked.begin();
    for (std::size_t row = 0; row < entries.size(); ++row) {
        if (!sieve.MayHold(entries.NameAt(row))) {
            continue;
        }
        const Form form(entries.NameAt(row));
        if (const auto found = claims.find(std::string(form.View())); found != claims.end()) {
            for (; next != asked.end() && next->first == row; ++next) {
                found->second.asked.push_back(next->second);
                found->second.order.push_back(found->second.rows);
            }
            ++found->second.rows;
        }
        if (const auto numbered = NumberedFrom(form.View())) {
            if (const auto found = claims.find(numbered->first); found != claims.end()) {
                found->second.taken.push_back(numbered->second);
            }
        }
    }
    std::vector<std::string> names(indexes.size());
    for (auto& [name, claim] : claims) {
        Choose(name, claim, names);
    }
    return names;
}

std::vector<std::string> SafeFileNames(const EntryTable& entries) {
    std::vector<std::int32_t> all(entries.size());
    std::iota(all.begin(), all.end(), 1);
    return SafeFileNames(entries, all);
}

std::string SafeFileName(const EntryTable& entries, std::size_t row) {
    return SafeFileNames(entries, {static_cast<std::int32_t>(row + 1)}).front();
}

}  // namespace kofrex
