#include "engine/text_rules.h"

#include <cstring>

bool CopyText(char* dst, size_t dstSize, const char* src) {
    if (dstSize == 0) return false;
    size_t length = strlen(src);
    if (length >= dstSize) {
        dst[0] = '\0';
        return false;
    }
    memcpy(dst, src, length + 1);
    return true;
}

bool JoinPath(char* out, size_t outSize, std::initializer_list<const char*> parts,
              const char* suffix) {
    if (outSize == 0) return false;
    size_t used = 0;
    bool first = true;
    auto append = [&](const char* text) {
        size_t length = strlen(text);
        if (used + length >= outSize) return false;
        memcpy(out + used, text, length);
        used += length;
        return true;
    };
    for (const char* part : parts) {
        if ((!first && !append("\\")) || !append(part)) {
            out[0] = '\0';
            return false;
        }
        first = false;
    }
    if (!append(suffix)) {
        out[0] = '\0';
        return false;
    }
    out[used] = '\0';
    return true;
}

bool CutAtLastBackslash(char* path) {
    char* last = strrchr(path, '\\');
    if (last == nullptr) return false;
    *last = '\0';
    return true;
}

bool ToParentFolder(char* path) {
    size_t length = strlen(path);
    // A trailing backslash other than a drive root's names the same folder.
    while (length > 3 && path[length - 1] == '\\') path[--length] = '\0';
    char* last = strrchr(path, '\\');
    if (last == nullptr || last[1] == '\0') return false;
    if (last - path == 2 && path[1] == ':') {
        last[1] = '\0';  // "c:\folder" -> "c:\"
    } else {
        *last = '\0';
    }
    return true;
}

bool CopySizeIsWrong(uint32_t sourceBytes, uint32_t destinationBytes) {
    int64_t source = sourceBytes;
    int64_t destination = destinationBytes;
    return destination > source + kCopySizeTolerance ||
           destination < source - static_cast<int64_t>(kCopySizeTolerance);
}

uint32_t WholeMegabytes(uint64_t bytes) {
    return static_cast<uint32_t>(bytes >> 20);
}

int32_t DriveKindCode(unsigned int driveType) {
    switch (driveType) {
        case 2: return 3;  // DRIVE_REMOVABLE
        case 3: return 1;  // DRIVE_FIXED
        case 4: return 5;  // DRIVE_REMOTE
        case 5: return 2;  // DRIVE_CDROM
        case 6: return 4;  // DRIVE_RAMDISK
        default: return 0; // DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR, anything else
    }
}
