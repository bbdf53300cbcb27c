#include "run_time_error_text.h"
#include "stroke_table.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <system_error>

namespace {

struct MessageCase {
    const char* name;
    std::function<void()> raise;
    std::u16string text; // after the heading
};

void PrintTo(const MessageCase& row, std::ostream* out) {
    *out << row.name;
}

class Message : public testing::TestWithParam<MessageCase> {};

TEST_P(Message, NamesTheErrorInWords) {
    const MessageCase& row = GetParam();
    try {
        row.raise();
        FAIL() << "nothing raised";
    } catch (const std::exception& error) {
        EXPECT_EQ(runTimeErrorText(runTimeErrorOf(error)), u"运行时错误：\n" + row.text);
    }
}

// The system's words are strerror's in the C locale that a test starts in.
INSTANTIATE_TEST_SUITE_P(
    RunTimeError, Message,
    testing::Values(
        MessageCase{"OutOfMemory", [] { throw std::bad_alloc(); }, u"内存不足（std::bad_alloc）"},
        MessageCase{"ArrayTooLong", [] { throw std::bad_array_new_length(); },
                    u"内存不足（std::bad_array_new_length）"},
        MessageCase{"SystemCallNamed",
                    [] { throw std::system_error(ENOENT, std::generic_category(), "open"); },
                    u"No such file or directory（open）"},
        MessageCase{
            "SystemCallUnnamed",
            [] { throw std::system_error(std::make_error_code(std::errc::permission_denied)); },
            u"Permission denied"},
        MessageCase{"StrokeTable",
                    [] { throw StrokeTableError("The stroke table is not valid GBK text."); },
                    u"无法读取程序自带的笔画表（The stroke table is not valid GBK text.）"},
        MessageCase{"InternalWithoutDescription", [] { throw std::runtime_error(""); },
                    u"程序内部错误"},
        MessageCase{"InternalNotUtf8", [] { throw std::logic_error("bad \xff"); },
                    u"程序内部错误（bad \uFFFD）"}));

struct KindCase {
    const char* name;
    RunTimeError error;
    std::u16string text;
};

void PrintTo(const KindCase& row, std::ostream* out) {
    *out << row.name;
}

class Kind : public testing::TestWithParam<KindCase> {};

TEST_P(Kind, ShownWhereTheSystemSaysNothing) {
    EXPECT_EQ(runTimeErrorText(GetParam().error), u"运行时错误：\n" + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    RunTimeError, Kind,
    testing::Values(
        KindCase{"SystemCallWithItsWords",
                 {ErrorKind::SystemCall, u"参数错误。", u"GetMessageW"},
                 u"参数错误。（GetMessageW）"},
        KindCase{"SystemCallWithoutWords",
                 {ErrorKind::SystemCall, u"", u"GetMessageW, error 1400"},
                 u"系统调用失败（GetMessageW, error 1400）"},
        KindCase{"SystemCallWithNothing", {ErrorKind::SystemCall, u"", u""}, u"系统调用失败"},
        KindCase{"OutOfMemoryUnnamed", {ErrorKind::OutOfMemory, u"", u""}, u"内存不足"},
        KindCase{"StrokeTableUnnamed",
                 {ErrorKind::StrokeTable, u"", u""},
                 u"无法读取程序自带的笔画表"}));

struct Utf8Case {
    const char* name;
    std::string_view bytes;
    std::u16string text;
};

void PrintTo(const Utf8Case& row, std::ostream* out) {
    *out << row.name;
}

class Utf8 : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8, DecodesOrReplaces) {
    EXPECT_EQ(utf16FromUtf8(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    RunTimeError, Utf8,
    testing::Values(Utf8Case{"Empty", "", u""},
                    Utf8Case{"Ascii", "std::bad_alloc", u"std::bad_alloc"},
                    Utf8Case{"Chinese", "没有那个文件或目录", u"没有那个文件或目录"},
                    Utf8Case{"BeyondBmp", "\xF0\xA0\x80\x80", u"\U00020000"},
                    Utf8Case{"Overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
                    Utf8Case{"Surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
                    Utf8Case{"CutShort", "a\xE5\xAD", u"a\uFFFD\uFFFD"},
                    Utf8Case{"PastUnicode", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}));

} // namespace
