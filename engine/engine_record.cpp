#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "engine/setup_engine.h"
#include "engine/text_rules.h"

DebugLogSink g_debugLogSink = nullptr;

void DebugLog(const char* format, ...) {
    if (g_debugLogSink == nullptr) return;
    char text[kLongTextBytes];
    va_list values;
    va_start(values, format);
    vsnprintf(text, sizeof text, format, values);
    va_end(values);
    g_debugLogSink(text);
}

namespace {

// Stands in for a name that does not fit its slot. '|' is refused by every
// file function and, unlike '*', '?', '<', '>' and '"', is no wildcard for
// FindFirstFileA, so the entry keeps its position but never names a file.
constexpr char kUnusableName[] = "|";

void* AllocateOrDie(size_t bytes) {
    void* block = calloc(1, bytes);
    if (block == nullptr) abort();  // exhausted memory ends the program
    return block;
}

}  // namespace

FileList SetupEngine::CopyList(FileList listToReplace, const char* const* names) {
    FreeList(listToReplace);
    size_t count = 0;
    while (names[count] != nullptr) ++count;
    FileList table = static_cast<FileList>(AllocateOrDie((count + 1) * sizeof(char*)));
    for (size_t k = 0; k <= count; ++k) {
        table[k] = static_cast<char*>(AllocateOrDie(kNameSlotBytes));
        if (k < count && !CopyText(table[k], kNameSlotBytes, names[k])) {
            CopyText(table[k], kNameSlotBytes, kUnusableName);
        }
    }
    return table;
}

bool SetupEngine::FreeList(FileList list) {
    if (list == nullptr) return true;
    for (size_t k = 0;; ++k) {
        bool endSlot = list[k][0] == '\0';
        free(list[k]);
        if (endSlot) break;
    }
    free(list);
    return true;
}

void SetupEngine::Teardown() {
    FreeList(installFiles);
    FreeList(updateFiles);
    FreeList(volumeLabels);
    // Forget the released tables so a second Teardown cannot free them again.
    installFiles = updateFiles = volumeLabels = nullptr;
    CloseRecordKey();
}

void SetupEngine::SetCopyRange(int32_t type, int32_t first, int32_t end) {
    installType = type;
    firstIndex = first;
    endIndex = end;
}

void SetupEngine::GetSourceDir(char* buffer, size_t bufferBytes) const {
    CopyText(buffer, bufferBytes, sourceDir);
}

bool SetupEngine::IsSelected(int32_t position) const {
    // Only positions 0 to 19 have a selection byte; the rest of the install
    // list is always copied, so a whole-list install copies the whole list.
    if (position < 0) return false;
    if (position >= kSelectableEntries) return true;
    return selected[position] == 1;
}
