#include "stroke_lookup.h"

#include "unit_search.h"

#include <algorithm>

namespace {

// Spaces and digits fill every count field, so a search for them would land in a count.
bool isSkippedKey(char16_t key) {
    return key == u' ' || (key >= u'0' && key <= u'9');
}

std::u16string_view trimSpaces(std::u16string_view text) {
    const size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

} // namespace

LookupOutcome LookupStrokes(const StrokeTable& table, std::u16string_view text) {
    const char16_t key = text.empty() ? u' ' : text.front();
    if (isSkippedKey(key))
        return {LookupOutcome::Skipped, {}};
    const std::ptrdiff_t at = FindCodeUnit(table.data(), table.size(), key);
    if (at < 0)
        return {LookupOutcome::NotFound, {}};
    // The count is the two units after the key; a table cut short yields fewer.
    const std::u16string_view count = trimSpaces(std::u16string_view(table).substr(at + 1, 2));
    std::u16string result;
    result.reserve(count.size() + 3);
    result.append(1, key).append(1, u':').append(count).append(1, u'划');
    return {LookupOutcome::Found, std::move(result)};
}
