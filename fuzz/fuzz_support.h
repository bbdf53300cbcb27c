#pragma once

// Shared by the fuzz targets: a model of the look-up written with plain loops, against
// which LookupStrokes and FindCodeUnit are checked, and checks that stay on in release
// builds (assert is compiled out by NDEBUG).

#include "stroke_lookup.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* condition,
                              const std::string& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                                \
    } while (false)

// Input bytes as UTF-16 units, two bytes (little-endian) a unit; an odd last byte is dropped.
// Copied rather than cast: the input has no alignment guarantee.
inline std::vector<char16_t> toUnits(const uint8_t* data, size_t size) {
    std::vector<char16_t> units(size / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return units;
}

inline bool isSpaceOrDigit(char16_t unit) {
    return unit == u' ' || (unit >= u'0' && unit <= u'9');
}

inline std::ptrdiff_t plainFind(const char16_t* units, std::ptrdiff_t size, char16_t unit) {
    for (std::ptrdiff_t i = 0; i < size; ++i) {
        if (units[i] == unit)
            return i;
    }
    return -1;
}

// First index of every unit value in a run of units, built in one pass so that checking
// many keys against a long table stays linear.
class FirstIndex {
public:
    FirstIndex() : at_(0x10000, -1) {}

    void build(const char16_t* units, std::ptrdiff_t size) {
        clear();
        for (std::ptrdiff_t i = 0; i < size; ++i) {
            if (at_[units[i]] < 0) {
                at_[units[i]] = i;
                touched_.push_back(units[i]);
            }
        }
    }
    std::ptrdiff_t operator[](char16_t unit) const { return at_[unit]; }

    // The lowest unit that is neither present nor skipped (U+0000 if absent): the look-up
    // of it must scan the whole table and come back empty-handed.
    char16_t absentKey() const {
        for (unsigned unit = 0; unit < 0x10000; ++unit) {
            if (at_[unit] < 0 && !isSpaceOrDigit(static_cast<char16_t>(unit)))
                return static_cast<char16_t>(unit);
        }
        return u' '; // every other unit is present: only a skipped key is left
    }

private:
    void clear() {
        for (char16_t unit : touched_)
            at_[unit] = -1;
        touched_.clear();
    }
    std::vector<std::ptrdiff_t> at_;
    std::vector<char16_t> touched_;
};

// What looking up `key` must give when its first copy in the table is at `at` (-1: none).
inline LookupOutcome expectedOutcome(const char16_t* table, std::ptrdiff_t size, char16_t key,
                                     std::ptrdiff_t at) {
    if (isSpaceOrDigit(key))
        return {LookupOutcome::Skipped, {}};
    if (at < 0)
        return {LookupOutcome::NotFound, {}};
    std::ptrdiff_t begin = at + 1;
    std::ptrdiff_t end = std::min<std::ptrdiff_t>(at + 3, size);
    while (begin < end && table[begin] == u' ')
        ++begin;
    while (end > begin && table[end - 1] == u' ')
        --end;
    std::u16string text(1, key);
    text += u':';
    text.append(table + begin, table + end);
    text += u'划';
    return {LookupOutcome::Found, text};
}

inline std::string keyName(char16_t key) {
    char name[8];
    std::snprintf(name, sizeof name, "U+%04X", unsigned(key));
    return name;
}

// UTF-8 for the messages; a lone surrogate becomes U+FFFD.
inline std::string toUtf8(std::u16string_view text) {
    std::string utf8;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            utf8 += char(c);
        } else if (c < 0x800) {
            utf8 += char(0xC0 | (c >> 6));
            utf8 += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += char(0xE0 | (c >> 12));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        } else {
            utf8 += char(0xF0 | (c >> 18));
            utf8 += char(0x80 | ((c >> 12) & 0x3F));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

inline std::string describe(const LookupOutcome& outcome) {
    static const char* const kinds[] = {"Skipped", "NotFound", "Found"};
    std::string hex;
    for (const char16_t unit : outcome.resultText)
        hex += " " + keyName(unit).substr(2);
    return std::string(kinds[outcome.kind]) + " \"" + toUtf8(outcome.resultText) + "\" [" + hex +
           " ]";
}

inline void checkOutcome(const LookupOutcome& got, const LookupOutcome& want, char16_t key,
                         const char* where) {
    FUZZ_CHECK(got == want, std::string(where) + ": key " + keyName(key) + ": got " +
                                describe(got) + ", want " + describe(want));
}

} // namespace fuzz
