#pragma once

// What screen readers (MSAA) get from the window's controls. Each control answers
// WM_GETOBJECT with an object of its own that names it from the layout and gives the
// role, states, value and default action its kind has; the rest (place, navigation, hit
// testing, focus) comes from the object Windows would have given.

#include "form_builder.h"

#include <functional>

#include <windows.h>

// Makes every control of `controls` answer so; `toggleIsOn` tells whether a toggle
// button is down now.
void makeControlsAccessible(const FormControls& controls, std::function<bool()> toggleIsOn);

// Tells screen readers that the state of `control` has changed (a toggle flipped).
void announceStateChange(HWND control);

// Tells screen readers that the text of `box` has changed: a new result to read.
void announceValueChange(HWND box);
