#include "run_time_error_text.h"

#include "stroke_table.h"

#include <new>
#include <system_error>

namespace {

std::u16string_view kindWords(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::OutOfMemory:
        return u"内存不足";
    case ErrorKind::SystemCall:
        return u"系统调用失败";
    case ErrorKind::StrokeTable:
        return u"无法读取程序自带的笔画表";
    case ErrorKind::Internal:
        break;
    }
    return u"程序内部错误";
}

// libstdc++'s what() of a std::system_error is "function: message"; the function is the
// technical name.
std::string functionOf(const std::system_error& error) {
    std::string what = error.what();
    const std::string said = ": " + error.code().message();
    if (what.size() >= said.size() &&
        what.compare(what.size() - said.size(), said.size(), said) == 0)
        what.resize(what.size() - said.size());
    return what == error.code().message() ? std::string() : what;
}

} // namespace

RunTimeError runTimeErrorOf(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return {ErrorKind::OutOfMemory, {}, utf16FromUtf8(error.what())};
    if (const auto* failed = dynamic_cast<const std::system_error*>(&error))
        return {ErrorKind::SystemCall, utf16FromUtf8(failed->code().message()),
                utf16FromUtf8(functionOf(*failed))};
    if (dynamic_cast<const StrokeTableError*>(&error))
        return {ErrorKind::StrokeTable, {}, utf16FromUtf8(error.what())};
    return {ErrorKind::Internal, {}, utf16FromUtf8(error.what())};
}

std::u16string runTimeErrorText(const RunTimeError& error) {
    std::u16string text = u"运行时错误：\n";
    text += error.systemMessage.empty() ? kindWords(error.kind) : error.systemMessage;
    if (!error.technicalName.empty())
        text += u"（" + error.technicalName + u"）";
    return text;
}

std::u16string utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = (lead < 0x80 || lead >= 0xC2) && lead < 0xF5 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= smallest[length] && (code < 0xD800 || code > 0xDFFF) &&
                code <= 0x10FFFF;
        if (!valid) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += static_cast<size_t>(length);
    }
    return out;
}
