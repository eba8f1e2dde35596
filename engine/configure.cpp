// Configuration from the title profile, the search for the title's disc,
// and the two volume queries.
#include <cstring>

#include "engine/setup_engine.h"
#include "engine/text_rules.h"

void SetupEngine::Configure(const char* const* installNames, const char* const* updateNames,
                            const char* const* volumeLabelNames, HWND owner, const char* maker,
                            const char* title, const char* folder, uint32_t megabytes) {
    ownerWindow = owner;
    requiredMegabytes = megabytes;
    installFiles = CopyList(installFiles, installNames);
    updateFiles = CopyList(updateFiles, updateNames);
    volumeLabels = CopyList(volumeLabels, volumeLabelNames);
    CopyText(makerName, sizeof makerName, maker);
    CopyText(titleName, sizeof titleName, title);
    CopyText(sourceFolder, sizeof sourceFolder, folder);

    LocateSource(sourceFolder, installFiles[0]);
    char located[kTextBytes];
    // A source that cannot be named within the field stays empty: no source.
    if (sourceDir[0] == '\0' || !JoinPath(located, sizeof located, {sourceDir, sourceFolder})) {
        sourceDir[0] = '\0';
    } else {
        CopyText(sourceDir, sizeof sourceDir, located);
    }
    if (!JoinPath(registryPath, sizeof registryPath, {"Software", makerName, titleName})) {
        registryPath[0] = '\0';
    }

    installed = 0;
    if (ReadInstallRecord()) installed = 1;
    DebugLog("Reg Key <%s>\nInst Flag [%d]", registryPath, installed);
}

void SetupEngine::LocateSource(const char* folder, const char* probeName) {
    char root[kTextBytes] = "c:\\";
    for (int letter = 0; letter < 24; ++letter, ++root[0]) {
        char label[kTextBytes] = {};
        if (QueryDrive(root, label, sizeof label) != kDriveKindCdrom) continue;
        for (int32_t k = 0; k < volumeLabelCount; ++k) {
            const char* name = volumeLabels[k];
            if (name[0] == '\0') break;  // fewer names than volumeLabelCount
            if (strcmp(label, name) != 0) continue;
            memset(sourceDir, 0, sizeof sourceDir);
            CopyText(sourceDir, sizeof sourceDir, root);
            if (strlen(sourceDir) < 4) sourceDir[2] = '\0';  // "e:\" -> "e:"
            char probe[kLongTextBytes];
            if (!JoinPath(probe, sizeof probe, {sourceDir, folder, probeName})) continue;
            if (FILE* stream = fopen(probe, "r")) {
                fclose(stream);
                return;
            }
        }
    }
    // No disc: the folder of the running program. A path that does not fit
    // the field leaves no source rather than a cut one.
    char program[kTextBytes + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    memset(sourceDir, 0, sizeof sourceDir);
    if (length == 0 || length >= kTextBytes) return;
    CutAtLastBackslash(program);
    CopyText(sourceDir, sizeof sourceDir, program);
}

int32_t SetupEngine::QueryDrive(const char* root, char* label, size_t labelBytes) {
    int32_t kind = DriveKindCode(GetDriveTypeA(root));
    char volumeLabel[256] = {};
    char fileSystem[256] = {};
    DWORD serial = 0, longestName = 0, flags = 0;
    if (GetVolumeInformationA(root, volumeLabel, sizeof volumeLabel, &serial, &longestName,
                              &flags, fileSystem, sizeof fileSystem)) {
        // A label that does not fit the caller's buffer is not cut into a
        // different label: the buffer stays as it was, as for no label.
        size_t length = strnlen(volumeLabel, sizeof volumeLabel - 1);
        if (length < labelBytes) {
            memcpy(label, volumeLabel, length);
            label[length] = '\0';
        }
    }
    return kind;
}

uint32_t SetupEngine::FreeMegabytesOf(const char* path) {
    // A folder that does not exist yet is asked about through the nearest
    // folder above it that does; with no answer at all, nothing is free.
    char folder[kTextBytes];
    if (!CopyText(folder, sizeof folder, path)) return 0;
    do {
        ULARGE_INTEGER available, total, totalFree;
        if (GetDiskFreeSpaceExA(folder, &available, &total, &totalFree)) {
            return WholeMegabytes(totalFree.QuadPart);
        }
    } while (ToParentFolder(folder));
    return 0;
}
