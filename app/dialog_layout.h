// Placement arithmetic of the dialogs, kept apart from the window calls.
#ifndef APP_DIALOG_LAYOUT_H
#define APP_DIALOG_LAYOUT_H

#include <windows.h>

// Top-left corner that centres a window of the given size on the work area:
// half of (near edge + far edge - size), rounded towards minus infinity, so
// a window larger than the work area gets a negative position.
POINT CentredOrigin(const RECT& workArea, int width, int height);

// Moves the window to the centre of the work area, keeping its size.
void CentreOnWorkArea(HWND window);

#endif
