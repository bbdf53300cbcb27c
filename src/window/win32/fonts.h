#pragma once

#include "form_layout.h"

#include <string>

#include <windows.h>

// The installed face that stands for `font`: its own face if installed with its
// character set, else a look-alike (Windows 10 and 11 have 楷体 but no 楷体_GB2312; Wine
// on Debian has the AR PL and WenQuanYi faces), else the first face of the character set.
std::wstring installedFace(const FontSpec& font);

// The font of `font` at `dpi`: its pixel height, weight, underline and character set.
HFONT createFont(const FontSpec& font, UINT dpi);
