#include "fonts.h"

#include "dpi.h"
#include "win32_text.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>

namespace {

struct LookAlikes {
    const wchar_t* face;
    std::array<const wchar_t*, 4> alikes; // most alike first
};

// Faces of the same style: Song (serif), Hei (sans-serif), Kai (brush script).
constexpr std::array<LookAlikes, 3> kLookAlikes{{
    {L"宋体", {L"SimSun", L"NSimSun", L"AR PL UMing CN", L"AR PL UMing TW"}},
    {L"黑体", {L"SimHei", L"Microsoft YaHei", L"WenQuanYi Zen Hei", L"Noto Sans CJK SC"}},
    {L"楷体_GB2312", {L"楷体", L"KaiTi", L"AR PL UKai CN", L"AR PL UKai TW"}},
}};

// Filled in a callback of gdi32, through which no exception may pass: a plain array.
struct FirstFace {
    wchar_t name[LF_FACESIZE] = {};
};

int CALLBACK noteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0; // one is enough
}

int CALLBACK noteFirstHorizontal(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM first) {
    if (font->lfFaceName[0] == L'@') // the same face turned for vertical text
        return 1;
    std::copy(std::begin(font->lfFaceName), std::end(font->lfFaceName),
              reinterpret_cast<FirstFace*>(first)->name);
    return 0;
}

LOGFONTW fontQuery(const std::wstring& face, int charset) {
    LOGFONTW query{};
    query.lfCharSet = static_cast<BYTE>(charset);
    face.copy(query.lfFaceName, LF_FACESIZE - 1);
    return query;
}

bool isInstalled(HDC dc, const std::wstring& face, int charset) {
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    LOGFONTW query = fontQuery(face, charset);
    bool found = false;
    EnumFontFamiliesExW(dc, &query, noteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring firstFaceOf(HDC dc, int charset) {
    LOGFONTW query = fontQuery(L"", charset);
    FirstFace first;
    EnumFontFamiliesExW(dc, &query, noteFirstHorizontal, reinterpret_cast<LPARAM>(&first), 0);
    return first.name;
}

std::wstring findInstalledFace(const std::wstring& wanted, int charset) {
    HDC dc = GetDC(nullptr);
    std::wstring found;
    if (isInstalled(dc, wanted, charset))
        found = wanted;
    for (const LookAlikes& style : kLookAlikes) {
        if (!found.empty() || wanted != style.face)
            continue;
        for (const wchar_t* alike : style.alikes) {
            if (isInstalled(dc, alike, charset)) {
                found = alike;
                break;
            }
        }
    }
    if (found.empty())
        found = firstFaceOf(dc, charset);
    ReleaseDC(nullptr, dc);
    return found.empty() ? wanted : found; // none at all: let the font mapper choose
}

} // namespace

std::wstring installedFace(const FontSpec& font) {
    // Fonts are not installed while the program runs: each face is looked for once.
    static std::map<std::pair<std::wstring, int>, std::wstring> known;
    const std::pair key{toWide(font.face), font.charset};
    auto found = known.find(key);
    if (found == known.end())
        found = known.emplace(key, findInstalledFace(key.first, key.second)).first;
    return found->second;
}

HFONT createFont(const FontSpec& font, UINT dpi) {
    // A negative height asks for the character height, not the cell height.
    return CreateFontW(-fontPixelHeight(font, static_cast<int>(dpi)), 0, 0, 0, font.weight, FALSE,
                       font.underline ? TRUE : FALSE, FALSE, static_cast<DWORD>(font.charset),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, installedFace(font).c_str());
}

HFONT createToolTipFont(int charset, UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return nullptr;
    LOGFONTW font = metrics.lfStatusFont; // what tool tips use, at the system DPI
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi()));
    font.lfCharSet = static_cast<BYTE>(charset);
    return CreateFontIndirectW(&font);
}
