#pragma once

// The pictures of assets/, built into the program as resources and decoded with the
// Windows Imaging Component. At any DPI each is drawn at its own (96-dpi) size times
// dpi / 96, as if the 96-dpi window were enlarged: from its "@2x" sibling, which is used as
// it is at 192 dpi and resampled at other DPIs; the plain picture as it is at 96 dpi.

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include <windows.h>

struct IWICImagingFactory;

// The resource name of an assets/ file, or of its "@2x" sibling when `doubled`:
// "command1-down.jpg" becomes COMMAND1_DOWN_JPG or COMMAND1_DOWN_2X_JPG.
std::wstring pictureResourceName(std::string_view file, bool doubled = false);

struct Picture {
    HBITMAP bitmap = nullptr; // 32 bits per pixel, top-down
    SIZE size{};
};

// Decodes each JPEG once, the first time it is drawn, and resamples it once for each DPI
// it is drawn at. A missing or undecodable picture is drawn as nothing.
class PictureCache {
public:
    explicit PictureCache(HINSTANCE instance);
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // The picture as drawn at `dpi`.
    const Picture& get(std::string_view file, UINT dpi);

    // Draws the picture as at `dpi` with its top-left corner at (x, y), clipped by `dc`.
    void draw(HDC dc, std::string_view file, UINT dpi, int x, int y);

    // The cursor of an assets/ .cur file at its own size times dpi / 96, or the arrow when
    // it is missing.
    HCURSOR cursor(std::string_view file, UINT dpi);

private:
    const Picture& decoded(const std::wstring& resourceName);
    Picture decode(const std::wstring& resourceName);

    HINSTANCE instance_;
    IWICImagingFactory* factory_ = nullptr;
    // By resource name and, if resampled, width and height (else 0 x 0).
    std::map<std::tuple<std::wstring, LONG, LONG>, Picture> pictures_;
    std::map<std::pair<std::wstring, UINT>, HCURSOR> cursors_; // by resource name and DPI
};
