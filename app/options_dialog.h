// The install options dialog: which large archives to copy, and the
// install type, written into the engine as the user chooses.
#ifndef APP_OPTIONS_DIALOG_H
#define APP_OPTIONS_DIALOG_H

#include <windows.h>

#include <cstdint>

// 0 or 1 (the install type toggle) while the dialog runs; 99 when it was
// cancelled, and then no install starts.
extern int32_t g_optionsResult;
constexpr int32_t kOptionsCancelled = 99;

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Megabytes the ticked archives need, from selected[1], [2] and [5].
int32_t OptionMegabytes();

#endif
