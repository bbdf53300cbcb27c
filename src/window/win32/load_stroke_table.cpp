#include "packaged_table.h"
#include "stroke_table.h"

#include <windows.h>

#include <string>

StrokeTable LoadStrokeTable() {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC item = FindResourceExW(module, L"CUSTOM", MAKEINTRESOURCEW(kStrokeTableId),
                                       MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    if (item == nullptr)
        throw StrokeTableError(std::string("The stroke table ") + kStrokeTableResource +
                               " is missing from the program.");
    const HGLOBAL loaded = LoadResource(module, item);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr)
        throw StrokeTableError(std::string("The stroke table ") + kStrokeTableResource +
                               " cannot be read: error " + std::to_string(GetLastError()));
    return DecodeStrokeTable(
        std::string_view(static_cast<const char*>(bytes), SizeofResource(module, item)));
}
