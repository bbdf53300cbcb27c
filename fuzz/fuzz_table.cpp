// Fuzzes the table decoder and the look-up over tables other than the packaged one.
// The input, as GBK table bytes, must be accepted exactly when it decodes and has the
// entry layout, decode to the same text as a plain iconv call, and is then searched. The
// input is also read directly as UTF-16 units and searched as a table of any length and content,
// which the loader would refuse: the look-up must neither read past its end nor miscount there.

#include "fuzz_support.h"
#include "stroke_lookup.h"
#include "stroke_table.h"
#include "unit_search.h"

#include <iconv.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::ptrdiff_t kEntryUnits = 3;
// Enough keys to reach entries all along a table without making each input quadratic.
constexpr std::ptrdiff_t kMaxEntryKeys = 64;

fuzz::FirstIndex& firstIndex() {
    static fuzz::FirstIndex index;
    return index;
}

void checkKeys(const StrokeTable& table, const char16_t* units, std::ptrdiff_t size,
               const std::vector<char16_t>& keys, const char* where) {
    const fuzz::FirstIndex& first = firstIndex();
    for (const char16_t key : keys) {
        const LookupOutcome want = fuzz::expectedOutcome(units, size, key, first[key]);
        fuzz::checkOutcome(LookupStrokes(table, std::u16string_view(&key, 1)), want, key, where);
        if (!fuzz::isSpaceOrDigit(key)) {
            const std::ptrdiff_t at = FindCodeUnit(units, std::size_t(size), key);
            FUZZ_CHECK(at == first[key], std::string(where) + ": FindCodeUnit(" +
                                             fuzz::keyName(key) + ") = " + std::to_string(at) +
                                             ", want " + std::to_string(first[key]));
        }
    }
    // Empty text counts as a space.
    fuzz::checkOutcome(LookupStrokes(table, std::u16string_view()), {LookupOutcome::Skipped, {}},
                       u' ', where);
}

// The bytes as the C library's GBK converter reads them, in one call into a buffer larger
// than any result, or nothing if they are not GBK text. The loader must give exactly this
// text for a well-formed table and refuse everything else.
std::optional<std::vector<char16_t>> referenceDecode(std::string_view bytes) {
    const iconv_t converter = iconv_open("UTF-16LE", "GBK");
    FUZZ_CHECK(converter != iconv_t(-1), "no GBK converter");
    std::vector<char> out(4 * bytes.size() + 4);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* next = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
    iconv_close(converter);
    if (result == size_t(-1) || inLeft != 0)
        return std::nullopt;
    std::vector<char16_t> units(size_t(next - out.data()) / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(uint8_t(out[2 * i]) | (uint8_t(out[2 * i + 1]) << 8));
    return units;
}

bool hasTableLayout(const std::vector<char16_t>& units) {
    if (units.empty() || units.size() % kEntryUnits != 0)
        return false;
    for (size_t i = 0; i < units.size(); i += kEntryUnits) {
        if (fuzz::isSpaceOrDigit(units[i]) || !fuzz::isSpaceOrDigit(units[i + 1]) ||
            !fuzz::isSpaceOrDigit(units[i + 2]))
            return false;
    }
    return true;
}

std::string hexBytes(std::string_view bytes) {
    std::string hex;
    for (const char byte : bytes.substr(0, 64)) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%s%02x", hex.empty() ? "" : " ",
                      unsigned(uint8_t(byte)));
        hex += digits;
    }
    if (bytes.size() > 64)
        hex += " ...";
    return hex;
}

void checkDecoded(const StrokeTable& table) {
    const char16_t* units = table.data();
    const auto size = std::ptrdiff_t(table.size());
    firstIndex().build(units, size);
    const std::ptrdiff_t entries = size / kEntryUnits;
    const std::ptrdiff_t step = std::max<std::ptrdiff_t>(1, entries / kMaxEntryKeys);
    std::vector<char16_t> keys;
    for (std::ptrdiff_t e = 0; e < entries; e += step)
        keys.push_back(units[e * kEntryUnits]);
    keys.push_back(units[(entries - 1) * kEntryUnits]);
    keys.push_back(firstIndex().absentKey());
    checkKeys(table, units, size, keys, "decoded table");
}

// `units` as a table of exactly that many units. A string keeps room past its end where a
// sanitizer sees no overrun, so the scan also runs over a heap buffer of exactly that size.
void checkRaw(const std::vector<char16_t>& input, const char* where) {
    const auto size = std::ptrdiff_t(input.size());
    const std::unique_ptr<char16_t[]> buffer(new char16_t[size]);
    std::copy(input.begin(), input.end(), buffer.get());
    const char16_t* units = buffer.get();
    const StrokeTable table(units, std::size_t(size));
    firstIndex().build(units, size);
    std::vector<char16_t> keys;
    // The last three units: keys whose count is cut short by the end of the table.
    for (std::ptrdiff_t i = std::max<std::ptrdiff_t>(0, size - 3); i < size; ++i)
        keys.push_back(units[i]);
    const std::ptrdiff_t step = std::max<std::ptrdiff_t>(1, size / kMaxEntryKeys);
    for (std::ptrdiff_t i = 0; i < size; i += step)
        keys.push_back(units[i]);
    keys.push_back(firstIndex().absentKey());
    checkKeys(table, units, size, keys, where);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<StrokeTable> decoded;
    try {
        decoded = DecodeStrokeTable(bytes);
    } catch (const StrokeTableError&) {
    }
    const std::optional<std::vector<char16_t>> reference = referenceDecode(bytes);
    const bool wellFormed = reference && hasTableLayout(*reference);
    FUZZ_CHECK(decoded.has_value() == wellFormed, std::string(decoded ? "accepted " : "refused ") +
                                                      std::to_string(bytes.size()) +
                                                      " bytes: " + hexBytes(bytes));
    if (decoded) {
        FUZZ_CHECK(std::u16string_view(*decoded) ==
                       std::u16string_view(reference->data(), reference->size()),
                   "decoded " + std::to_string(bytes.size()) + " bytes to " +
                       std::to_string(decoded->size()) + " units, not the " +
                       std::to_string(reference->size()) + " they hold: " + hexBytes(bytes));
        checkDecoded(*decoded);
        checkRaw(*reference, "decoded table, exact copy");
    }
    checkRaw(fuzz::toUnits(data, size), "input bytes as units");
    return 0;
}
