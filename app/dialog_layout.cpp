#include "app/dialog_layout.h"

namespace {

int FloorHalf(int value) { return value >= 0 ? value / 2 : -((1 - value) / 2); }

}  // namespace

POINT CentredOrigin(const RECT& workArea, int width, int height) {
    POINT origin;
    origin.x = FloorHalf(workArea.left + workArea.right - width);
    origin.y = FloorHalf(workArea.top + workArea.bottom - height);
    return origin;
}

void CentreOnWorkArea(HWND window) {
    RECT workArea = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT frame = {};
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    POINT origin = CentredOrigin(workArea, width, height);
    MoveWindow(window, origin.x, origin.y, width, height, TRUE);
}
