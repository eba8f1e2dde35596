// What the kit takes from the Windows shell: special folders, the program
// group's shortcut files, opening files, and the folder picker.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "engine/engine_texts.h"
#include "engine/setup_engine.h"
#include "engine/text_rules.h"

FolderBrowser g_folderBrowser;

namespace {

// COM for the length of one operation. A failed initialisation (apart from
// the three results that mean COM is unusable) still lets the operation go
// on, but only an initialisation that succeeded is undone.
struct ComScope {
    bool usable = false;
    bool initialised = false;

    ComScope() {
        HRESULT result = CoInitialize(nullptr);
        usable = result != E_UNEXPECTED && result != E_OUTOFMEMORY && result != E_INVALIDARG;
        initialised = SUCCEEDED(result);
    }
    ~ComScope() {
        if (initialised) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

}  // namespace

bool SpecialFolderPath(int csidl, char* buffer, size_t bufferBytes) {
    if (bufferBytes == 0) return false;
    memset(buffer, 0, bufferBytes);
    char work[MAX_PATH] = {};
    BOOL known = SHGetSpecialFolderPathA(nullptr, work, csidl, FALSE);
    return CopyText(buffer, bufferBytes, work) && known;
}

const char* SetupEngine::InstallName(int32_t position) const {
    if (installFiles == nullptr) return nullptr;
    for (int32_t i = 0; i <= position; ++i) {
        if (installFiles[i][0] == '\0') return nullptr;
    }
    return installFiles[position];
}

bool SetupEngine::CreateShortcuts(int32_t which) {
    memset(shellFolder, 0, sizeof shellFolder);
    int csidl;
    if (which == 0) {
        csidl = CSIDL_COMMON_STARTMENU;
    } else if (which == 1) {
        csidl = CSIDL_COMMON_PROGRAMS;
    } else {
        return false;
    }
    SpecialFolderPath(csidl, shellFolder, sizeof shellFolder);

    char makerFolder[kTextBytes];
    char titleFolder[kTextBytes];
    if (!JoinPath(makerFolder, sizeof makerFolder, {shellFolder, makerName}) ||
        !JoinPath(titleFolder, sizeof titleFolder, {makerFolder, titleName})) {
        return false;
    }
    CreateDirectoryA(makerFolder, nullptr);  // an existing folder is simply used
    CreateDirectoryA(titleFolder, nullptr);

    const char* executable = InstallName(0);
    const char* readme = InstallName(10);
    const char* uninstaller = InstallName(11);
    if (executable == nullptr || readme == nullptr || uninstaller == nullptr) return false;
    return CreateShortcut(titleFolder, installDir, executable, titleName) &&
           CreateShortcut(titleFolder, installDir, readme, kShortcutReadme) &&
           CreateShortcut(titleFolder, installDir, uninstaller, kShortcutUninstall);
}

bool SetupEngine::CreateShortcut(const char* groupFolder, const char* workingFolder,
                                 const char* targetName, const char* shortcutName) {
    char target[kTextBytes];
    char linkFile[kTextBytes];
    if (!JoinPath(target, sizeof target, {workingFolder, targetName}) ||
        !JoinPath(linkFile, sizeof linkFile, {groupFolder, shortcutName}, ".lnk")) {
        return false;
    }
    ComScope com;
    if (!com.usable) return false;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        link->Release();
        return false;
    }
    link->SetPath(target);
    link->SetWorkingDirectory(workingFolder);
    link->SetIconLocation("", 0);
    link->SetHotkey(0);
    link->SetDescription("");
    link->SetShowCmd(SW_SHOW);

    wchar_t wideName[MAX_PATH];
    HRESULT saved = E_FAIL;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, linkFile, -1, wideName, MAX_PATH) > 0) {
        saved = file->Save(wideName, TRUE);
    }
    link->Release();
    file->Release();
    return saved == S_OK;
}

bool LaunchFile(const char* path, const char* parameters) {
    ComScope com;
    if (!com.usable) return false;
    char longPath[MAX_PATH];
    DWORD length = GetLongPathNameA(path, longPath, sizeof longPath);
    // Without a long form (a missing file) the shell gets the path as given.
    const char* target = (length > 0 && length < sizeof longPath) ? longPath : path;
    ShellExecuteA(nullptr, "open", target, parameters, "", SW_SHOWNORMAL);
    return true;
}

bool SetupEngine::LaunchTitle() {
    SetCurrentDirectoryA(installDir);
    const char* executable = InstallName(0);
    char path[kTextBytes];
    if (executable == nullptr || !JoinPath(path, sizeof path, {installDir, executable})) {
        return false;
    }
    return LaunchFile(path, "");
}

bool SetupEngine::OpenReadme() {
    char path[kTextBytes];
    if (!JoinPath(path, sizeof path, {installed != 0 ? installDir : sourceDir, kReadmeName})) {
        return false;
    }
    return LaunchFile(path, "");
}

void FolderBrowser::Init(HINSTANCE instanceHandle, HWND ownerWindow) {
    instance = instanceHandle;
    owner = ownerWindow;
}

namespace {

UINT BrowseFlags(int kind) {
    switch (kind) {
        case 0: return BIF_VALIDATE;
        case 1: return BIF_EDITBOX | BIF_VALIDATE;
        case 2: return BIF_EDITBOX | BIF_VALIDATE | BIF_STATUSTEXT;
        default: return 0;
    }
}

}  // namespace

int FolderBrowser::Browse(char* buffer, size_t bufferBytes, int kind, int trailingBackslash) {
    // The picker writes the display name into a buffer of MAX_PATH bytes;
    // it gets one of its own so the caller's path is never overwritten by it.
    char displayName[MAX_PATH] = {};
    BROWSEINFOA request = {};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = displayName;
    request.lpszTitle = kBrowseTitle;
    request.ulFlags = BrowseFlags(kind);
    request.lpfn = BrowseCallback;
    request.lParam = reinterpret_cast<LPARAM>(buffer);
    request.iImage = 0;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&request);
    if (chosen == nullptr) return 0;

    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) {
        MessageBoxA(owner, kBrowseNoAllocator, kCaptionError, MB_OK);
        CoTaskMemFree(chosen);
        return 0;
    }
    char path[kLongTextBytes] = {};
    bool chosenPath = SHGetPathFromIDListA(chosen, path) != FALSE;
    size_t length = strlen(path);
    if (chosenPath && trailingBackslash != 0 && (length == 0 || path[length - 1] != '\\') &&
        length + 1 < sizeof path) {
        path[length] = '\\';
        path[length + 1] = '\0';
    }
    // A virtual folder has no path, and a path must fit whole: otherwise
    // the caller's buffer keeps its text.
    bool taken = chosenPath && strlen(path) < bufferBytes;
    if (taken) CopyText(buffer, bufferBytes, path);
    allocator->Free(chosen);
    allocator->Release();
    return taken ? 1 : 0;
}

int CALLBACK BrowseCallback(HWND picker, UINT notification, LPARAM, LPARAM data) {
    switch (notification) {
        case BFFM_INITIALIZED:
            SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, data);
            return 0;
        case BFFM_VALIDATEFAILEDA:
            MessageBoxA(picker, kBrowseInvalidFolder, kCaptionError, MB_OK);
            return 1;
        default:
            return 0;
    }
}
