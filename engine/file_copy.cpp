// The checked file copy: 64 KiB chunks through one static buffer, the abort
// handshake between chunks, and a size check with a whole-file fallback.
#include "engine/setup_engine.h"
#include "engine/text_rules.h"

char g_copyBuffer[kCopyChunkBytes];

namespace {

size_t ReadBlock(void* buffer, size_t bytes, FILE* stream) {
    return fread(buffer, 1, bytes, stream);
}

size_t WriteBlock(const void* buffer, size_t bytes, FILE* stream) {
    return fwrite(buffer, 1, bytes, stream);
}

// Moves cancelState from "requested" to "seen by the copy". A plain load and
// store: while a copy runs the only other writer stores "requested".
bool TakeAbortRequest(std::atomic<int32_t>& cancelState) {
    if (cancelState.load() != kCancelRequested) return false;
    cancelState.store(kCancelSeenByCopy);
    return true;
}

}  // namespace

CopyStreamOps StandardCopyStreamOps() { return {ReadBlock, WriteBlock}; }
CopyStreamOps g_copyStreamOps = StandardCopyStreamOps();

uint32_t SetupEngine::FileSize(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD size = GetFileSize(file, nullptr);
    CloseHandle(file);
    return size;
}

uint32_t SetupEngine::SelectedBytes() {
    uint32_t total = 0;
    for (int32_t i = firstIndex; installFiles[i][0] != '\0'; ++i) {
        if (i == endIndex) break;
        if (!IsSelected(i)) continue;
        char path[kTextBytes];
        // A path that does not fit names no file and adds nothing.
        if (JoinPath(path, sizeof path, {sourceDir, installFiles[i]})) total += FileSize(path);
    }
    return total;
}

bool SetupEngine::CopyFileChecked(const char* destination, const char* source) {
    srcStream = fopen(source, "rb");
    if (srcStream == nullptr) return false;
    dstStream = fopen(destination, "wb");
    if (dstStream == nullptr) {
        fclose(srcStream);
        srcStream = nullptr;
        return false;
    }
    const uint32_t startValue = bytesCopied.load();

    if (!TakeAbortRequest(cancelState)) {
        for (;;) {
            size_t n = g_copyStreamOps.read(g_copyBuffer, kCopyChunkBytes, srcStream);
            bytesCopied.store(bytesCopied.load() + static_cast<uint32_t>(n));
            g_copyStreamOps.write(g_copyBuffer, n, dstStream);
            // A short read is the end of the file or a read error; the size
            // check below catches a copy that came out short.
            if (n < kCopyChunkBytes) break;
            if (TakeAbortRequest(cancelState)) break;
        }
    }
    fclose(srcStream);
    fclose(dstStream);
    srcStream = dstStream = nullptr;

    if (cancelState.load() != kCancelNone) return true;

    const uint32_t sourceBytes = FileSize(source);
    if (!CopySizeIsWrong(sourceBytes, FileSize(destination))) return true;
    CopyFileA(source, destination, FALSE);
    bytesCopied.store(startValue + sourceBytes);
    // Still the wrong size after the whole-file copy: the file was not copied.
    return !CopySizeIsWrong(sourceBytes, FileSize(destination));
}
