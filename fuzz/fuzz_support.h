#pragma once

// Shared by the fuzz targets: a model of the look-up written with plain loops, against
// which LookupStrokes and FindCodeUnit are checked, and checks that stay on in release
// builds (assert is compiled out by NDEBUG).

#include "stroke_lookup.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* condition,
                              const QString& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition,
                 detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                          \
    do {                                                                                       \
        if (!(condition))                                                                      \
            ::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                            \
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

inline qsizetype plainFind(const char16_t* units, qsizetype size, char16_t unit) {
    for (qsizetype i = 0; i < size; ++i) {
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

    void build(const char16_t* units, qsizetype size) {
        clear();
        for (qsizetype i = 0; i < size; ++i) {
            if (at_[units[i]] < 0) {
                at_[units[i]] = i;
                touched_.push_back(units[i]);
            }
        }
    }
    qsizetype operator[](char16_t unit) const { return at_[unit]; }

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
    std::vector<qsizetype> at_;
    std::vector<char16_t> touched_;
};

// What looking up `key` must give when its first copy in the table is at `at` (-1: none).
inline LookupOutcome expectedOutcome(const char16_t* table, qsizetype size, char16_t key,
                                     qsizetype at) {
    if (isSpaceOrDigit(key))
        return {LookupOutcome::Skipped, {}};
    if (at < 0)
        return {LookupOutcome::NotFound, {}};
    qsizetype begin = at + 1;
    qsizetype end = std::min(at + 3, size);
    while (begin < end && table[begin] == u' ')
        ++begin;
    while (end > begin && table[end - 1] == u' ')
        --end;
    QString text{QChar(key)};
    text += u':';
    for (qsizetype i = begin; i < end; ++i)
        text += QChar(table[i]);
    text += QChar(u'划');
    return {LookupOutcome::Found, text};
}

inline QString describe(const LookupOutcome& outcome) {
    static const char* const kinds[] = {"Skipped", "NotFound", "Found"};
    QString hex;
    for (QChar unit : outcome.resultText)
        hex += QStringLiteral(" %1").arg(unit.unicode(), 4, 16, QChar(u'0'));
    return QStringLiteral("%1 \"%2\" [%3 ]")
        .arg(QLatin1StringView(kinds[outcome.kind]), outcome.resultText, hex);
}

inline QString keyName(char16_t key) {
    return QStringLiteral("U+%1").arg(unsigned(key), 4, 16, QChar(u'0'));
}

inline void checkOutcome(const LookupOutcome& got, const LookupOutcome& want, char16_t key,
                         const char* where) {
    FUZZ_CHECK(got == want, QStringLiteral("%1: key %2: got %3, want %4")
                                .arg(QLatin1StringView(where), keyName(key), describe(got),
                                     describe(want)));
}

} // namespace fuzz
