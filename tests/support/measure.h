#pragma once
// Sizes of what a window shows, measured as the system draws them.
#include <windows.h>

#include "framework/gui/forms.h"

// The width of an icon's picture in pixels; 0 for none.
int IconWidth(HICON icon);

// The width the control's text takes in its own font, on one line.
int TextWidth(const framework::Control& control);
