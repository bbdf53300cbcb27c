#include "pictures.h"

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

HCURSOR loadCursorPicture(HINSTANCE instance, std::string_view file) {
    if (HCURSOR cursor = LoadCursorW(instance, pictureResourceName(file).c_str()))
        return cursor;
    return LoadCursorW(nullptr, IDC_ARROW);
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
    if (factory_)
        factory_->Release();
}

const Picture& PictureCache::get(std::string_view file, bool doubled) {
    static const Picture kNone;
    if (file.empty())
        return kNone;
    std::wstring name = pictureResourceName(file, doubled);
    auto found = pictures_.find(name);
    if (found == pictures_.end())
        found = pictures_.emplace(name, decode(name)).first;
    if (!found->second.bitmap && doubled)
        return get(file, false); // no sharp picture: the plain one
    return found->second;
}

void PictureCache::draw(HDC dc, std::string_view file, bool doubled, int x, int y) {
    const Picture& picture = get(file, doubled);
    if (!picture.bitmap)
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, picture.bitmap);
    BitBlt(dc, x, y, picture.size.cx, picture.size.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
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

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down, as WIC copies
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return {};
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return {};
    }
    return {bitmap, {static_cast<LONG>(width), static_cast<LONG>(height)}};
}
