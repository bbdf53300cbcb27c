#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// The decoded stroke table: a run of 3-unit entries, each an ideograph followed by its
// stroke count as two right-aligned characters (" 6", "10"). It is only ever read.
using StrokeTable = QString;

// Raised when the packaged table is missing or is not a well-formed table.
class StrokeTableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the table is packaged: data item of type "CUSTOM", identifier 100.
inline constexpr char kStrokeTableResource[] = ":/CUSTOM/100";

// Reads the packaged table in full and decodes it. Throws StrokeTableError.
StrokeTable LoadStrokeTable();

// Decodes GBK table bytes, rejecting text that is not valid GBK or not made of whole
// entries whose count fields hold only spaces and digits. Throws StrokeTableError.
StrokeTable DecodeStrokeTable(const QByteArray& gbk);
