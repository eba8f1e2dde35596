// The main dialog: the update layout (IDD_MAIN) and, on a template that
// carries them, the setup layout's controls.
#ifndef APP_MAIN_DIALOG_H
#define APP_MAIN_DIALOG_H

#include <windows.h>

extern HWND g_mainDialog;

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the install-path label from installBase, the maker and the folder.
void ShowInstallPath(HWND dialog);

#endif
