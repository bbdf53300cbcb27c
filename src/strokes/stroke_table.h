#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The decoded stroke table: a run of 3-unit entries, each an ideograph followed by its
// stroke count as two right-aligned characters (" 6", "10"). It is only ever read.
using StrokeTable = std::u16string;

// Raised when the packaged table is missing or is not a well-formed table. The message
// is UTF-8.
class StrokeTableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The packaged table is the data item of type "CUSTOM", identifier 100, language 2052
// (Chinese, PRC).
inline constexpr int kStrokeTableId = 100;

// Reads the packaged table in full and decodes it. Throws StrokeTableError. Each front
// end defines it, since only it knows how its platform packages data items.
StrokeTable LoadStrokeTable();

// Decodes GBK table bytes, rejecting text that is not valid GBK or not made of whole
// entries whose count fields hold only spaces and digits. Throws StrokeTableError.
StrokeTable DecodeStrokeTable(std::string_view gbk);
