#include "gbk_text.h"

#include "stroke_table.h"

#include <climits>

#include <windows.h>

namespace {

constexpr UINT kGbkCodePage = 936;

} // namespace

std::optional<std::u16string> DecodeGbk(std::string_view gbk) {
    if (gbk.empty())
        return std::u16string();
    if (gbk.size() > INT_MAX)
        return std::nullopt;
    const int bytes = static_cast<int>(gbk.size());
    // MB_ERR_INVALID_CHARS: refuse invalid bytes instead of turning them into '?'.
    const int units =
        MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk.data(), bytes, nullptr, 0);
    if (units == 0) {
        if (GetLastError() == ERROR_INVALID_PARAMETER)
            throw StrokeTableError("No GBK text converter is available to read the stroke table.");
        return std::nullopt;
    }
    std::u16string text(static_cast<size_t>(units), u'\0');
    MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk.data(), bytes,
                        reinterpret_cast<wchar_t*>(text.data()), units);
    return text;
}
