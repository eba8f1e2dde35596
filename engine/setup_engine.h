// The setup engine: one record that holds the title's names and file lists
// and carries every operation of the kit (install record, configuration,
// file copy, update, background copy, install and uninstall, shell services).
#ifndef ENGINE_SETUP_ENGINE_H
#define ENGINE_SETUP_ENGINE_H

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>

// Sizes of the engine's fixed texts.
constexpr size_t kNameSlotBytes = 128;  // one FileList slot: 127 bytes of text
constexpr size_t kTextBytes = 260;      // a path or name field: 259 bytes of text
constexpr size_t kLongTextBytes = 1024;
constexpr int32_t kSelectableEntries = 20;
constexpr uint32_t kCopyChunkBytes = 65536;

// An engine-owned list of names: a table of references to 128-byte slots,
// ended by one slot whose name is empty. No count is kept; readers walk from
// position 0 to the empty slot.
using FileList = char**;

// Abort handshake values of cancelState.
enum CancelState : int32_t {
    kCancelNone = 0,
    kCancelRequested = 1,  // written by the abort command
    kCancelSeenByCopy = 2, // the chunked copy stopped early
    kCancelSeenByThread = 3,
};

struct SetupEngine {
    FileList installFiles = nullptr;
    FileList updateFiles = nullptr;
    FileList volumeLabels = nullptr;
    char makerName[kTextBytes] = {};
    char sourceFolder[kTextBytes] = {};
    char titleName[kTextBytes] = {};
    char installDir[kTextBytes] = {};
    char sourceDir[kTextBytes] = {};
    char registryPath[kTextBytes] = {};
    char shellFolder[kTextBytes] = {};
    int32_t volumeLabelCount = 1;
    std::atomic<int32_t> busy{0};
    int32_t installType = 0;
    int32_t progressCtrlId = 0;
    std::atomic<uint32_t> bytesCopied{0};
    uint32_t requiredMegabytes = 0;
    uint32_t copyThreadId = 0;
    FILE* srcStream = nullptr;
    FILE* dstStream = nullptr;
    HWND ownerWindow = nullptr;
    HKEY registryKey = nullptr;
    char installBase[kTextBytes] = "c:\\Program Files";
    int32_t installed = 0;
    std::atomic<int32_t> cancelState{0};
    int32_t firstIndex = 0;
    int32_t endIndex = 9999;
    unsigned char selected[kSelectableEntries] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                  1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t stepsDone = 0;
    int32_t stepsShown = 0;
    uint32_t bytesPerStep = 0;
    // The selected total of the copy in progress; with it the bar still
    // reaches its end when the total is below 1000 bytes.
    uint32_t selectedTotal = 0;

    SetupEngine() = default;
    SetupEngine(const SetupEngine&) = delete;
    SetupEngine& operator=(const SetupEngine&) = delete;
    ~SetupEngine() { Teardown(); }

    // Lists, release and small accessors.
    FileList CopyList(FileList listToReplace, const char* const* names);
    bool FreeList(FileList list);
    void Teardown();
    void SetProgressCtrl(int32_t id) { progressCtrlId = id; }
    void SetCopyRange(int32_t type, int32_t first, int32_t end);
    void SetRequiredMegabytes(uint32_t megabytes) { requiredMegabytes = megabytes; }
    bool IsBusy() const { return busy.load() == 1; }
    void GetSourceDir(char* buffer, size_t bufferBytes) const;
    bool IsSelected(int32_t position) const;

    // Installation record.
    void CloseRecordKey();
    bool OpenRecordKey(const char* subkey);
    bool CreateRecordKey(const char* subkey);
    bool SetRecordValue(const char* name, DWORD type, const void* data, DWORD bytes);
    bool GetRecordValue(const char* name, DWORD type, void* buffer, DWORD bufferBytes);
    bool DeleteRecordKey(const char* subkey);
    bool ReadInstallRecord();
    bool WriteInstallRecord();

    // Configuration and source location.
    void Configure(const char* const* installNames, const char* const* updateNames,
                   const char* const* volumeLabelNames, HWND owner, const char* maker,
                   const char* title, const char* folder, uint32_t megabytes);
    void LocateSource(const char* folder, const char* probeName);
    int32_t QueryDrive(const char* root, char* label, size_t labelBytes);
    uint32_t FreeMegabytesOf(const char* path);

    // Checked file copy.
    uint32_t FileSize(const char* path);
    uint32_t SelectedBytes();
    bool CopyFileChecked(const char* destination, const char* source);

    // Update.
    void RunUpdate();
    bool UpdateOneFile(const char* name);  // false: the update must stop here

    // Background copy and progress.
    bool CopyWithProgress();
    void CopyThreadMain();
    void AdvanceProgress();
    void InitProgress(uint16_t steps);
    void StepProgress();
    void ShowStatus(const char* text);
    HWND ProgressBar() const;

    // Install and uninstall.
    bool RunInstall();
    bool RunUninstall();
    bool MakeDirectoryChain(const char* folder);
    bool EnsureDirectory(const char* folder);
    bool DeleteListedFiles(const char* folder);
    void DeleteShortcuts();

    // Shell services.
    bool CreateShortcuts(int32_t which);
    bool CreateShortcut(const char* groupFolder, const char* workingFolder,
                        const char* targetName, const char* shortcutName);
    bool LaunchTitle();
    bool OpenReadme();

    // The name at a position of installFiles, or null when the list ends
    // before it.
    const char* InstallName(int32_t position) const;
};

// The folder picker and its owner.
struct FolderBrowser {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;

    void Init(HINSTANCE instanceHandle, HWND ownerWindow);
    int Browse(char* buffer, size_t bufferBytes, int kind, int trailingBackslash);
};
int CALLBACK BrowseCallback(HWND picker, UINT notification, LPARAM value, LPARAM data);
extern FolderBrowser g_folderBrowser;

// The path of a shell special folder (CSIDL); empty when the shell does not
// know it or it does not fit.
bool SpecialFolderPath(int csidl, char* buffer, size_t bufferBytes);
// Opens a file through the shell; true when COM could be initialised.
bool LaunchFile(const char* path, const char* parameters);

// The main dialog; its thread serves the texts that other threads set.
extern HWND g_mainDialog;

// The status lines of the main dialog: line 0 the file being copied and
// the install's phase texts, line 1 the elapsed time. Defined beside the
// main dialog.
void SetStatusLine(const char* text, int line);

// The status display of the background copy, ticked by the wait loop.
void TickStatus();
extern char g_currentFile[kLongTextBytes];
extern std::atomic<int32_t> g_spinnerIndex;
extern std::atomic<int32_t> g_spinnerCounter;
extern std::atomic<uint32_t> g_clockLastTick;
extern std::atomic<int32_t> g_clockHours;
extern std::atomic<int32_t> g_clockMinutes;
extern std::atomic<int32_t> g_clockSeconds;
// The millisecond tick of the elapsed clock (timeGetTime; tests replace it).
extern DWORD (*g_tickSource)();

// Trace hook: takes a format with %s and %d placeholders and its values.
// It records nothing unless a sink is set (only the tests set one).
void DebugLog(const char* format, ...);
using DebugLogSink = void (*)(const char* text);
extern DebugLogSink g_debugLogSink;

// The one transfer buffer of every chunked copy; one copy at a time.
extern char g_copyBuffer[kCopyChunkBytes];

// The block reads and writes of the chunked copy. They default to the
// standard library's; tests replace them to watch chunk sizes or to make a
// destination come out short.
struct CopyStreamOps {
    size_t (*read)(void* buffer, size_t bytes, FILE* stream);
    size_t (*write)(const void* buffer, size_t bytes, FILE* stream);
};
extern CopyStreamOps g_copyStreamOps;
CopyStreamOps StandardCopyStreamOps();

#endif
