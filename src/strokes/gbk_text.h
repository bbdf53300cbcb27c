#pragma once

#include <optional>
#include <string>
#include <string_view>

// GBK (code page 936) to UTF-16 with the platform's own converter: iconv on POSIX,
// MultiByteToWideChar on Windows. Nothing when the bytes are not valid GBK, including a
// lead byte cut off at the end. Throws StrokeTableError when there is no converter.
std::optional<std::u16string> DecodeGbk(std::string_view gbk);
