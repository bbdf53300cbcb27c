#pragma once

#include <exception>
#include <string>
#include <string_view>

// The words of the run-time error message that ends the program, the same on both front
// ends: the title, then the error named as a user understands it, in the program's
// language, with the name a programmer knows it by after it.
inline constexpr char16_t kRunTimeErrorTitle[] = u"Quorvel";

// What went wrong, as far as the message tells errors apart.
enum class ErrorKind {
    OutOfMemory, // an allocation failed
    SystemCall,  // the system refused a call, and says why in its own words
    StrokeTable, // the table packaged with the program could not be read
    Internal,    // anything else the program raised
};

struct RunTimeError {
    ErrorKind kind;
    std::u16string systemMessage; // strerror's or FormatMessageW's words, if it has any
    std::u16string technicalName; // std::bad_alloc, GetMessageW, the table's own complaint
};

// The error that an exception stands for.
RunTimeError runTimeErrorOf(const std::exception& error);

// The message's text: its heading, then the system's words for the error, or the kind's
// own words where the system has none, then the technical name in brackets.
std::u16string runTimeErrorText(const RunTimeError& error);

// UTF-8, as what() and strerror give it, as UTF-16; a byte that is not UTF-8 becomes U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);
