#include "stroke_table.h"

#include <string>

#include <windows.h>

namespace {

constexpr char kItemName[] = "CUSTOM 100";

[[noreturn]] void fail(const std::string& message) {
    throw StrokeTableError(message);
}

} // namespace

StrokeTable LoadStrokeTable() {
    // The table is a resource of the program file itself (the module of the process).
    static_assert(kStrokeTableLanguage == MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    HRSRC item = FindResourceExW(nullptr, L"CUSTOM", MAKEINTRESOURCEW(kStrokeTableId),
                                 static_cast<WORD>(kStrokeTableLanguage));
    if (!item)
        fail(std::string("The stroke table ") + kItemName + " is missing from the program.");
    HGLOBAL loaded = LoadResource(nullptr, item);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        fail(std::string("The stroke table ") + kItemName + " cannot be read (error " +
             std::to_string(GetLastError()) + ").");
    return DecodeStrokeTable(
        std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, item)));
}
