// Fuzzes the look-up against the packaged table. The input, read as UTF-16 text, is looked
// up and the outcome compared with what the table says when walked entry by entry; the
// input also serves as a haystack and needle for FindCodeUnit and for each of its kernels
// that this machine runs, all checked against a plain loop.

#include "fuzz_support.h"
#include "stroke_lookup.h"
#include "stroke_table.h"
#include "unit_search.h"
#include "unit_search_paths.h"

#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr std::ptrdiff_t kEntryUnits = 3;

struct Reference {
    StrokeTable table;
    const char16_t* units = nullptr;
    std::ptrdiff_t size = 0;
    std::vector<std::ptrdiff_t> entryOf; // unit -> index of the first entry it heads, or -1
};

const Reference& reference() {
    static const Reference ref = [] {
        Reference r;
        r.table = LoadStrokeTable();
        r.units = r.table.data();
        r.size = std::ptrdiff_t(r.table.size());
        FUZZ_CHECK(r.size > 0 && r.size % kEntryUnits == 0,
                   "table of " + std::to_string(r.size) + " units");
        r.entryOf.assign(0x10000, -1);
        for (std::ptrdiff_t i = 0; i < r.size; i += kEntryUnits) {
            if (r.entryOf[r.units[i]] < 0)
                r.entryOf[r.units[i]] = i;
        }
        // The look-up takes the first copy of the key anywhere in the table, not the first
        // entry it heads; the two agree only if no count field holds a searchable unit.
        fuzz::FirstIndex anywhere;
        anywhere.build(r.units, r.size);
        for (unsigned unit = 0; unit < 0x10000; ++unit) {
            const auto key = static_cast<char16_t>(unit);
            if (fuzz::isSpaceOrDigit(key))
                continue;
            FUZZ_CHECK(anywhere[key] == r.entryOf[key],
                       fuzz::keyName(key) + " first occurs at " + std::to_string(anywhere[key]) +
                           ", first heads an entry at " + std::to_string(r.entryOf[key]));
        }
        return r;
    }();
    return ref;
}

void checkLookup(const std::vector<char16_t>& input) {
    const Reference& ref = reference();
    const std::u16string_view text(input.data(), input.size());
    const char16_t key = input.empty() ? u' ' : input.front();
    const LookupOutcome got = LookupStrokes(ref.table, text);
    const LookupOutcome want = fuzz::expectedOutcome(ref.units, ref.size, key, ref.entryOf[key]);
    fuzz::checkOutcome(got, want, key, "packaged table");
}

void checkSearch(const char16_t* haystack, std::ptrdiff_t size, char16_t needle) {
    const std::ptrdiff_t want = fuzz::plainFind(haystack, size, needle);
    const auto check = [&](std::ptrdiff_t got, const char* who) {
        FUZZ_CHECK(got == want, std::string(who) + "(" + std::to_string(size) + " units, " +
                                    fuzz::keyName(needle) + ") = " + std::to_string(got) +
                                    ", want " + std::to_string(want));
    };
    check(FindCodeUnit(haystack, std::size_t(size), needle), "FindCodeUnit");
    for (const unit_search::Path path : unit_search::kPaths) {
        if (const unit_search::Kernel kernel = unit_search::PathKernel(path))
            check(kernel(haystack, std::size_t(size), needle), unit_search::PathName(path));
    }
}

// Needle: the first unit; haystack: the rest, in a buffer of exactly its size so that
// ASan reports any read past its end. Every start offset up to the widest vector is tried,
// since the kernels' head and tail handling depend on the alignment and the length.
void checkFindCodeUnit(const std::vector<char16_t>& input) {
    if (input.empty())
        return;
    const char16_t needle = input.front();
    const auto size = std::ptrdiff_t(input.size()) - 1;
    const std::unique_ptr<char16_t[]> haystack(new char16_t[size]);
    std::copy(input.begin() + 1, input.end(), haystack.get());
    for (std::ptrdiff_t skip = 0; skip <= std::min<std::ptrdiff_t>(size, 32); ++skip) {
        const char16_t* start = haystack.get() + skip;
        const std::ptrdiff_t length = size - skip;
        checkSearch(start, length, needle);
        // Needles sure to be present, so that the hit path runs on every input too; the last
        // unit's is often found only by the kernels' tail handling.
        if (length > 0) {
            checkSearch(start, length, start[needle % length]);
            checkSearch(start, length, start[length - 1]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char16_t> input = fuzz::toUnits(data, size);
    checkLookup(input);
    checkFindCodeUnit(input);
    return 0;
}
