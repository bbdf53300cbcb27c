#pragma once

// Per-monitor DPI with the functions of Windows 10, looked up at run time so that the
// program still starts on Windows 7 and 8, where the system DPI stands in.

#include <windows.h>

inline constexpr UINT kDefaultDpi = 96;

// Declared by the headers only for Windows 10 1703 and later, where it is sent.
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// The DPI of the monitor the window is on.
UINT dpiOfWindow(HWND window);

// The outer size of a window of `style` whose client area is `client` at `dpi`.
SIZE windowSizeForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi);

// GetSystemMetrics at `dpi`.
int systemMetricAtDpi(int index, UINT dpi);
