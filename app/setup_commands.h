// The setup layout's commands and the install worker thread.
#ifndef APP_SETUP_COMMANDS_H
#define APP_SETUP_COMMANDS_H

#include <windows.h>

#include <atomic>

extern HANDLE g_workerThread;
extern DWORD g_workerThreadId;
// True from the moment an install worker is started until it has set the
// buttons back; the dialog carries one install at a time and is not ended
// under it.
extern std::atomic<bool> g_installRunning;

DWORD WINAPI InstallWorker(void* parameter);

BOOL OnInstallCommand(HWND dialog);
void OnPlayCommand(HWND dialog);
void OnBrowseCommand(HWND dialog);
void OnReadmeCommand();
void OnUninstallCommand(HWND dialog);
void OnManualCommand();

// Builds the manual's path beside the source folder: sourceDir up to its
// last backslash, then "\manual\manual.html". False when it does not fit.
bool ManualPath(const char* sourceDir, char* path, size_t pathBytes);

#endif
