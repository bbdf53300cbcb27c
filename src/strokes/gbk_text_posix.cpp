#include "gbk_text.h"

#include "stroke_table.h"

#include <bit>

#include <iconv.h>

// The C library's converter is small and already mapped, where a toolkit's own GBK
// decoder may pull in ICU's conversion tables at start-up.
std::optional<std::u16string> DecodeGbk(std::string_view gbk) {
    const char* utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    const iconv_t converter = iconv_open(utf16, "GBK");
    if (converter == iconv_t(-1))
        throw StrokeTableError("No GBK text converter is available to read the stroke table.");
    // GBK takes one or two bytes a character, so the text has at most as many units.
    std::u16string text(gbk.size(), u'\0');
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char* out = reinterpret_cast<char*>(text.data());
    size_t outLeft = text.size() * sizeof(char16_t);
    // Fails on a byte sequence that is not GBK and on a character cut off at the end.
    const size_t irreversible = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (irreversible != 0 || inLeft != 0)
        return std::nullopt;
    text.resize(text.size() - outLeft / sizeof(char16_t));
    return text;
}
