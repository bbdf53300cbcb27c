#include "pictures.h"

#include "dpi.h"

#include <memory>

#include <wincodec.h>

namespace {

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface> using ComRef = std::unique_ptr<Interface, ComRelease>;

// A resource's bytes; they live as long as the program.
std::string_view resourceBytes(HINSTANCE instance, const std::wstring& name, LPCWSTR type) {
    HRSRC found = FindResourceW(instance, name.c_str(), type);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const char*>(bytes), SizeofResource(instance, found)};
}

// A picture's own size, which is its size at 96 dpi, at `dpi`.
SIZE sizeAtDpi(SIZE own, UINT dpi) {
    const int d = static_cast<int>(dpi), base = static_cast<int>(kDefaultDpi);
    return {MulDiv(own.cx, d, base), MulDiv(own.cy, d, base)};
}

HBITMAP createTopDownBitmap(SIZE size, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// The picture resampled to `size` by GDI's halftone stretching. Windows averages the source
// pixels each new pixel covers; Wine 8 interpolates between the nearest four. Either
// filters, where WIC's scaler in Wine 8 picks the nearest pixel whatever it is asked.
Picture resampled(const Picture& source, SIZE size) {
    void* bits = nullptr;
    Picture result{createTopDownBitmap(size, &bits), size};
    if (!result.bitmap)
        return {};
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    HGDIOBJ previousFrom = SelectObject(from, source.bitmap);
    HGDIOBJ previousTo = SelectObject(to, result.bitmap);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr); // as HALFTONE asks
    StretchBlt(to, 0, 0, size.cx, size.cy, from, 0, 0, source.size.cx, source.size.cy, SRCCOPY);
    SelectObject(from, previousFrom);
    SelectObject(to, previousTo);
    DeleteDC(from);
    DeleteDC(to);
    return result;
}

// The pixel size of a cursor's image.
SIZE cursorSize(HCURSOR cursor) {
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info))
        return {};
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    // A monochrome cursor's mask holds the AND and the XOR image one above the other.
    const SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    for (HBITMAP part : {info.hbmColor, info.hbmMask})
        if (part)
            DeleteObject(part);
    return size;
}

// A cursor resource at its own size, which is its size at 96 dpi, times dpi / 96.
HCURSOR loadCursorAtDpi(HINSTANCE instance, const std::wstring& name, UINT dpi) {
    auto* own = static_cast<HCURSOR>(LoadImageW(instance, name.c_str(), IMAGE_CURSOR, 0, 0, 0));
    if (!own || dpi == kDefaultDpi)
        return own;
    const SIZE size = sizeAtDpi(cursorSize(own), dpi);
    DestroyCursor(own);
    return static_cast<HCURSOR>(
        LoadImageW(instance, name.c_str(), IMAGE_CURSOR, size.cx, size.cy, 0));
}

} // namespace

std::wstring pictureResourceName(std::string_view file, bool doubled) {
    std::wstring name;
    for (size_t i = 0; i < file.size(); ++i) {
        if (doubled && file[i] == '.' && file.find('.', i + 1) == std::string_view::npos)
            name += L"_2X";
        const char c = file[i];
        if (c >= 'a' && c <= 'z')
            name += static_cast<wchar_t>(c - 'a' + 'A');
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            name += static_cast<wchar_t>(c);
        else
            name += L'_';
    }
    return name;
}

PictureCache::PictureCache(HINSTANCE instance) : instance_(instance) {
    // Needs COM on this thread; without WIC the pictures are simply not drawn.
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory_))))
        factory_ = nullptr;
}

PictureCache::~PictureCache() {
    for (auto& [name, picture] : pictures_) {
        if (picture.bitmap)
            DeleteObject(picture.bitmap);
    }
    for (auto& [name, cursor] : cursors_) {
        if (cursor)
            DestroyCursor(cursor);
    }
    if (factory_)
        factory_->Release();
}

const Picture& PictureCache::get(std::string_view file, UINT dpi) {
    static const Picture kNone;
    if (file.empty())
        return kNone;
    const std::wstring ownName = pictureResourceName(file);
    const Picture& own = decoded(ownName);
    if (dpi == kDefaultDpi || !own.bitmap)
        return own;
    const std::wstring doubledName = pictureResourceName(file, true);
    const Picture& doubled = decoded(doubledName);
    const Picture& source = doubled.bitmap ? doubled : own;
    const SIZE size = sizeAtDpi(own.size, dpi);
    if (source.size.cx == size.cx && source.size.cy == size.cy)
        return source;
    const auto key = std::tuple(doubled.bitmap ? doubledName : ownName, size.cx, size.cy);
    auto found = pictures_.find(key);
    if (found == pictures_.end())
        found = pictures_.emplace(key, resampled(source, size)).first;
    return found->second;
}

void PictureCache::draw(HDC dc, std::string_view file, UINT dpi, int x, int y) {
    const Picture& picture = get(file, dpi);
    if (!picture.bitmap)
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, picture.bitmap);
    BitBlt(dc, x, y, picture.size.cx, picture.size.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

HCURSOR PictureCache::cursor(std::string_view file, UINT dpi) {
    const std::wstring name = pictureResourceName(file);
    HCURSOR& cursor = cursors_[{name, dpi}];
    if (!cursor)
        cursor = loadCursorAtDpi(instance_, name, dpi);
    return cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
}

const Picture& PictureCache::decoded(const std::wstring& resourceName) {
    const auto key = std::tuple(resourceName, LONG{0}, LONG{0});
    auto found = pictures_.find(key);
    if (found == pictures_.end())
        found = pictures_.emplace(key, decode(resourceName)).first;
    return found->second;
}

Picture PictureCache::decode(const std::wstring& resourceName) {
    const std::string_view bytes = resourceBytes(instance_, resourceName, RT_RCDATA);
    if (!factory_ || bytes.empty())
        return {};

    IWICStream* rawStream = nullptr;
    if (FAILED(factory_->CreateStream(&rawStream)))
        return {};
    ComRef<IWICStream> stream(rawStream);
    // WIC only reads the resource, which is read-only memory.
    auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
    if (FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size()))))
        return {};

    IWICBitmapDecoder* rawDecoder = nullptr;
    if (FAILED(factory_->CreateDecoderFromStream(stream.get(), nullptr,
                                                 WICDecodeMetadataCacheOnDemand, &rawDecoder)))
        return {};
    ComRef<IWICBitmapDecoder> decoder(rawDecoder);
    IWICBitmapFrameDecode* rawFrame = nullptr;
    if (FAILED(decoder->GetFrame(0, &rawFrame)))
        return {};
    ComRef<IWICBitmapFrameDecode> frame(rawFrame);
    IWICFormatConverter* rawConverter = nullptr;
    if (FAILED(factory_->CreateFormatConverter(&rawConverter)))
        return {};
    ComRef<IWICFormatConverter> converter(rawConverter);
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 ||
        width > 0x4000 || height > 0x4000)
        return {};

    const SIZE size{static_cast<LONG>(width), static_cast<LONG>(height)};
    void* bits = nullptr;
    HBITMAP bitmap = createTopDownBitmap(size, &bits); // top-down, as WIC copies
    if (!bitmap)
        return {};
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return {};
    }
    return {bitmap, size};
}
