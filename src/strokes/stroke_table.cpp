#include "stroke_table.h"

#include "gbk_text.h"

#include <string>

namespace {

constexpr size_t kEntryUnits = 3;

bool isCountUnit(char16_t unit) {
    return unit == u' ' || (unit >= u'0' && unit <= u'9');
}

} // namespace

StrokeTable DecodeStrokeTable(std::string_view gbk) {
    std::optional<std::u16string> text = DecodeGbk(gbk);
    if (!text)
        throw StrokeTableError("The stroke table is not valid GBK text.");
    StrokeTable table = std::move(*text);
    table.shrink_to_fit(); // it is kept for the whole run
    if (table.empty() || table.size() % kEntryUnits != 0)
        throw StrokeTableError("The stroke table does not consist of whole entries (" +
                               std::to_string(table.size()) + " characters).");
    for (size_t i = 0; i < table.size(); i += kEntryUnits) {
        if (isCountUnit(table[i]) || !isCountUnit(table[i + 1]) || !isCountUnit(table[i + 2]))
            throw StrokeTableError("Entry " + std::to_string(i / kEntryUnits + 1) +
                                   " of the stroke table is malformed.");
    }
    return table;
}
