#pragma once

#include <windows.h>

// Centres a single-line EDIT's line vertically in the box, as the layout's text boxes
// show it: an EDIT draws its one line at the top of its client area, so the client
// area is narrowed to the line and the space above and below painted as the face.
void centreLineVertically(HWND edit);
