// Fuzzes the table decoder and the look-up over tables other than the packaged one.
// The input, as GBK table bytes, must be accepted exactly when it decodes and has the
// entry layout, decode to the same text as a plain iconv call, and is then searched. The input is also read directly as UTF-16 units and
// searched as a table of any length and content, which the loader would refuse: the
// look-up must neither read past its end nor miscount there.

#include "fuzz_support.h"
#include "stroke_lookup.h"
#include "stroke_table.h"
#include "unit_search.h"

#include <QByteArray>

#include <iconv.h>

#include <memory>
#include <optional>

namespace {

constexpr qsizetype kEntryUnits = 3;
// Enough keys to reach entries all along a table without making each input quadratic.
constexpr qsizetype kMaxEntryKeys = 64;

fuzz::FirstIndex& firstIndex() {
    static fuzz::FirstIndex index;
    return index;
}

void checkKeys(const StrokeTable& table, const char16_t* units, qsizetype size,
               const std::vector<char16_t>& keys, const char* where) {
    const fuzz::FirstIndex& first = firstIndex();
    for (const char16_t key : keys) {
        const LookupOutcome want = fuzz::expectedOutcome(units, size, key, first[key]);
        fuzz::checkOutcome(LookupStrokes(table, QStringView(&key, 1)), want, key, where);
        if (!fuzz::isSpaceOrDigit(key)) {
            const qsizetype at = FindCodeUnit(units, size, key);
            FUZZ_CHECK(at == first[key], QStringLiteral("%1: FindCodeUnit(%2) = %3, want %4")
                                             .arg(QLatin1StringView(where), fuzz::keyName(key))
                                             .arg(at)
                                             .arg(first[key]));
        }
    }
    // Empty text counts as a space.
    fuzz::checkOutcome(LookupStrokes(table, QStringView()), {LookupOutcome::Skipped, {}}, u' ',
                       where);
}

// The bytes as the C library's GBK converter reads them, in one call into a buffer larger
// than any result, or nothing if they are not GBK text. The loader must give exactly this
// text for a well-formed table and refuse everything else.
std::optional<std::vector<char16_t>> referenceDecode(const QByteArray& bytes) {
    const iconv_t converter = iconv_open("UTF-16LE", "GBK");
    FUZZ_CHECK(converter != iconv_t(-1), QStringLiteral("no GBK converter"));
    std::vector<char> out(4 * size_t(bytes.size()) + 4);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
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

QString hexBytes(const QByteArray& bytes) {
    QString hex = QString::fromLatin1(bytes.left(64).toHex(' '));
    if (bytes.size() > 64)
        hex += QStringLiteral(" ...");
    return hex;
}

void checkDecoded(const StrokeTable& table) {
    const auto* units = reinterpret_cast<const char16_t*>(table.constData());
    const qsizetype size = table.size();
    firstIndex().build(units, size);
    const qsizetype entries = size / kEntryUnits;
    const qsizetype step = std::max<qsizetype>(1, entries / kMaxEntryKeys);
    std::vector<char16_t> keys;
    for (qsizetype e = 0; e < entries; e += step)
        keys.push_back(units[e * kEntryUnits]);
    keys.push_back(units[(entries - 1) * kEntryUnits]);
    keys.push_back(firstIndex().absentKey());
    checkKeys(table, units, size, keys, "decoded table");
}

// `units` as a table of exactly that many units: fromRawData over a buffer of that size, so
// nothing but the units themselves is readable.
void checkRaw(const std::vector<char16_t>& input, const char* where) {
    const auto size = qsizetype(input.size());
    const std::unique_ptr<char16_t[]> buffer(new char16_t[size]);
    std::copy(input.begin(), input.end(), buffer.get());
    const char16_t* units = buffer.get();
    StrokeTable table = QString::fromRawData(reinterpret_cast<const QChar*>(units), size);
    firstIndex().build(units, size);
    std::vector<char16_t> keys;
    // The last three units: keys whose count is cut short by the end of the table.
    for (qsizetype i = std::max<qsizetype>(0, size - 3); i < size; ++i)
        keys.push_back(units[i]);
    const qsizetype step = std::max<qsizetype>(1, size / kMaxEntryKeys);
    for (qsizetype i = 0; i < size; i += step)
        keys.push_back(units[i]);
    keys.push_back(firstIndex().absentKey());
    checkKeys(table, units, size, keys, where);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<StrokeTable> decoded;
    try {
        decoded = DecodeStrokeTable(bytes);
    } catch (const StrokeTableError&) {
    }
    const std::optional<std::vector<char16_t>> reference = referenceDecode(bytes);
    const bool wellFormed = reference && hasTableLayout(*reference);
    FUZZ_CHECK(decoded.has_value() == wellFormed,
               QStringLiteral("%1 %2 bytes: %3")
                   .arg(QLatin1StringView(decoded ? "accepted" : "refused"))
                   .arg(bytes.size())
                   .arg(hexBytes(bytes)));
    if (decoded) {
        FUZZ_CHECK(QStringView(*decoded) ==
                       QStringView(reference->data(), qsizetype(reference->size())),
                   QStringLiteral("decoded %1 bytes to %2 units, not the %3 they hold: %4")
                       .arg(bytes.size())
                       .arg(decoded->size())
                       .arg(reference->size())
                       .arg(hexBytes(bytes)));
        checkDecoded(*decoded);
        checkRaw(*reference, "decoded table, exact copy");
    }
    checkRaw(fuzz::toUnits(data, size), "input bytes as units");
    return 0;
}
