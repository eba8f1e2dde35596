// Start-up: the hidden main window and the program's single engine.
#ifndef APP_STARTUP_H
#define APP_STARTUP_H

#include <windows.h>

#include "engine/setup_engine.h"

extern SetupEngine g_engine;
extern HINSTANCE g_instance;
extern HWND g_mainWindow;

bool InitInstance(HINSTANCE instance, int showCommand, bool refuseSecond);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Start-up, the main dialog and the message loop; the process exit code.
int RunProgram(HINSTANCE instance, int showCommand);

#endif
