#pragma once

// The pictures of assets/, built into the program as resources and decoded with the
// Windows Imaging Component.

#include <map>
#include <string>
#include <string_view>

#include <windows.h>

struct IWICImagingFactory;

// The resource name of an assets/ file, or of its "@2x" sibling when `doubled`:
// "command1-down.jpg" becomes COMMAND1_DOWN_JPG or COMMAND1_DOWN_2X_JPG.
std::wstring pictureResourceName(std::string_view file, bool doubled = false);

// The cursor of an assets/ .cur file, or the arrow when it is missing.
HCURSOR loadCursorPicture(HINSTANCE instance, std::string_view file);

struct Picture {
    HBITMAP bitmap = nullptr; // 32 bits per pixel, top-down
    SIZE size{};
};

// Decodes each JPEG once, the first time it is drawn. A missing or undecodable picture
// is drawn as nothing.
class PictureCache {
public:
    explicit PictureCache(HINSTANCE instance);
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // The picture at its own pixel size, the "@2x" one when `doubled`.
    const Picture& get(std::string_view file, bool doubled);

    // Draws the picture unscaled with its top-left corner at (x, y), clipped by `dc`.
    void draw(HDC dc, std::string_view file, bool doubled, int x, int y);

private:
    Picture decode(const std::wstring& resourceName);

    HINSTANCE instance_;
    IWICImagingFactory* factory_ = nullptr;
    std::map<std::wstring, Picture> pictures_;
};
