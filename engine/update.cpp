// The update: every name of both lists that is present in the update folder
// beside the program is copied over the installed copy, with its times.
#include "engine/engine_texts.h"
#include "engine/setup_engine.h"
#include "engine/text_rules.h"

namespace {

void CopyFileTimes(HANDLE source, HANDLE destination) {
    FILETIME created, accessed, written;
    GetFileTime(source, &created, &accessed, &written);
    SetFileTime(destination, &created, &accessed, &written);
}

}  // namespace

bool SetupEngine::UpdateOneFile(const char* name) {
    char source[kLongTextBytes];
    char destination[kLongTextBytes];
    // A path that cannot be named is not a replacement that is present.
    if (!JoinPath(source, sizeof source, {sourceDir, sourceFolder, name}) ||
        !JoinPath(destination, sizeof destination, {installDir, name})) {
        return true;
    }
    // A read-only installed copy must take the new bytes, not only the
    // new times: make it ordinary before the copy as well as after.
    SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
    bool copied = CopyFileChecked(destination, source);
    SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);

    HANDLE sourceFile = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (sourceFile == INVALID_HANDLE_VALUE) return true;  // not part of this update
    HANDLE destinationFile = INVALID_HANDLE_VALUE;
    if (copied) {
        destinationFile = CreateFileA(destination, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (destinationFile == INVALID_HANDLE_VALUE) {
        CloseHandle(sourceFile);
        return false;
    }
    CopyFileTimes(sourceFile, destinationFile);
    CloseHandle(sourceFile);
    CloseHandle(destinationFile);
    return true;
}

void SetupEngine::RunUpdate() {
    char program[kTextBytes + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    bool complete = length > 0 && length < kTextBytes && CutAtLastBackslash(program) &&
                    CopyText(sourceDir, sizeof sourceDir, program);
    for (FileList list : {installFiles, updateFiles}) {
        for (int32_t i = 0; complete && list[i][0] != '\0'; ++i) {
            complete = UpdateOneFile(list[i]);
        }
    }
    if (complete) {
        MessageBoxA(ownerWindow, kUpdateCompleted, kCaptionFinished, MB_OK | MB_ICONWARNING);
    } else {
        MessageBoxA(ownerWindow, kUpdateFailed, kCaptionConfirm, MB_OK | MB_ICONWARNING);
    }
}
