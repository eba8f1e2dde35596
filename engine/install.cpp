// Install and uninstall: the space check, the target folder chain, the
// background copy, the installation record and the program group; and
// their removal.
#include "engine/setup_engine.h"

#include <direct.h>
#include <shlobj.h>

#include <cstring>

#include "engine/engine_texts.h"
#include "engine/text_rules.h"
#include "title/profile.h"

namespace {

constexpr size_t kMessageBytes = 256;

}  // namespace

bool SetupEngine::RunInstall() {
    size_t length = strlen(installBase);
    if (length > 0 && installBase[length - 1] == '\\') installBase[length - 1] = '\0';
    // A target that cannot be named within the field is not installed to.
    if (!JoinPath(installDir, sizeof installDir, {installBase, makerName, sourceFolder})) {
        return false;
    }

    const uint32_t freeMegabytes = FreeMegabytesOf(installBase);
    char message[kMessageBytes];
    if (requiredMegabytes > freeMegabytes) {
        char drive[4] = {};  // the first three bytes: "c:\" for a drive path
        memcpy(drive, installDir, strnlen(installDir, 3));
        snprintf(message, sizeof message, kNoSpaceFormat, drive,
                 static_cast<int>(freeMegabytes), static_cast<int>(requiredMegabytes));
        MessageBoxA(ownerWindow, message, kCaptionConfirm, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!MakeDirectoryChain(installDir)) {
        snprintf(message, sizeof message, kChainNotMadeFormat, installDir);
        MessageBoxA(ownerWindow, message, kCaptionConfirm, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!CopyWithProgress()) {
        DeleteListedFiles(installDir);
        return false;
    }
    ShowStatus(kStatusRegistry);
    if (!WriteInstallRecord()) {
        DeleteListedFiles(installDir);
        DeleteRecordKey(g_profileKeyPath);
        return false;
    }
    ShowStatus(kStatusStartMenu);
    if (!CreateShortcuts(1)) return false;
    ShowStatus(kStatusCompleted);
    MessageBoxA(ownerWindow, kInstallCompleted, kCaptionFinished, MB_OK | MB_ICONWARNING);
    ShowStatus("");
    installed = 1;
    return true;
}

bool SetupEngine::MakeDirectoryChain(const char* folder) {
    if (_chdir(folder) != 0) {
        char message[kMessageBytes];
        snprintf(message, sizeof message, kCreateFolderFormat, folder);
        if (MessageBoxA(ownerWindow, message, kCaptionConfirm, MB_YESNO | MB_ICONQUESTION) ==
            IDNO) {
            return false;
        }
    }
    char prefix[kTextBytes];
    if (!CopyText(prefix, sizeof prefix, folder)) return false;
    for (size_t k = 0; folder[k] != '\0'; ++k) {
        if (folder[k] != '\\') continue;
        char kept = prefix[k + 1];
        prefix[k + 1] = '\0';  // the folder up to and including this backslash
        bool made = EnsureDirectory(prefix);
        prefix[k + 1] = kept;
        if (!made) return false;
    }
    return EnsureDirectory(folder);
}

bool SetupEngine::EnsureDirectory(const char* folder) {
    return _chdir(folder) == 0 || _mkdir(folder) == 0;
}

bool SetupEngine::DeleteListedFiles(const char* folder) {
    for (FileList list : {installFiles, updateFiles}) {
        for (int32_t i = 0; list[i][0] != '\0'; ++i) {
            char path[kTextBytes];
            if (!JoinPath(path, sizeof path, {folder, list[i]})) continue;
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA(path, &found);
            if (search == INVALID_HANDLE_VALUE) continue;
            FindClose(search);
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path);
        }
    }
    return true;
}

void SetupEngine::DeleteShortcuts() {
    SpecialFolderPath(CSIDL_COMMON_PROGRAMS, shellFolder, sizeof shellFolder);
    char path[kTextBytes];
    for (const char* name : {static_cast<const char*>(titleName), kShortcutReadme,
                             kShortcutUninstall}) {
        if (JoinPath(path, sizeof path, {shellFolder, makerName, titleName, name}, ".lnk")) {
            DeleteFileA(path);
        }
    }
    // Removed only when empty: a maker folder with another title's group stays.
    if (JoinPath(path, sizeof path, {shellFolder, makerName, titleName})) _rmdir(path);
    if (JoinPath(path, sizeof path, {shellFolder, makerName})) _rmdir(path);
}

bool SetupEngine::RunUninstall() {
    char message[kMessageBytes];
    snprintf(message, sizeof message, kUninstallQuestionFormat, titleName);
    if (MessageBoxA(ownerWindow, message, kCaptionConfirm, MB_YESNO | MB_ICONQUESTION) == IDNO) {
        return false;
    }
    DeleteListedFiles(installDir);
    DeleteShortcuts();
    if (!DeleteRecordKey(g_profileKeyPath)) return false;
    MessageBoxA(ownerWindow, kUninstallCompleted, kCaptionFinished, MB_OK | MB_ICONWARNING);
    installed = 0;
    return true;
}
