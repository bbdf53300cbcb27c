#pragma once

#include <windows.h>

// Makes an EDIT take an input method's committed text whole. Left alone, an IME hands
// a committed phrase over one character at a time, each a change of its own, so with
// the look-up on every change the phrase 中国 would end as 国.
void takeCommittedTextWhole(HWND edit);
