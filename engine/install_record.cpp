// The installation record: a key under HKEY_LOCAL_MACHINE with the values
// "Dir", "CD" and "InstType", shared with the kit's setup program.
#include <cstring>

#include "engine/setup_engine.h"
#include "engine/text_rules.h"
#include "title/profile.h"

namespace {

// A text value is stored as the text, its terminator and the field's next
// byte (length + 2), but never reaches past the 260-byte field.
DWORD StoredTextBytes(const char* field) {
    size_t bytes = strlen(field) + 2;
    return static_cast<DWORD>(bytes < kTextBytes ? bytes : kTextBytes);
}

}  // namespace

void SetupEngine::CloseRecordKey() {
    if (registryKey != nullptr) {
        RegCloseKey(registryKey);
        registryKey = nullptr;
    }
}

bool SetupEngine::OpenRecordKey(const char* subkey) {
    CloseRecordKey();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return false;
    }
    registryKey = key;
    return true;
}

bool SetupEngine::CreateRecordKey(const char* subkey) {
    CloseRecordKey();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    registryKey = key;
    return true;
}

bool SetupEngine::SetRecordValue(const char* name, DWORD type, const void* data, DWORD bytes) {
    if (RegSetValueExA(registryKey, name, 0, type, static_cast<const BYTE*>(data), bytes) !=
        ERROR_SUCCESS) {
        CloseRecordKey();
        return false;
    }
    return true;
}

bool SetupEngine::GetRecordValue(const char* name, DWORD type, void* buffer, DWORD bufferBytes) {
    DWORD valueType = type;
    DWORD size = bufferBytes;
    if (RegQueryValueExA(registryKey, name, nullptr, &valueType, static_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS) {
        CloseRecordKey();
        return false;
    }
    return true;
}

bool SetupEngine::DeleteRecordKey(const char* subkey) {
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, subkey) == ERROR_SUCCESS;
}

bool SetupEngine::WriteInstallRecord() {
    if (!CreateRecordKey(g_profileKeyPath)) return false;
    DebugLog("create <%s>", g_profileKeyPath);
    if (!SetRecordValue("Dir", REG_SZ, installDir, StoredTextBytes(installDir))) return false;
    DebugLog("Dir <%s>", installDir);
    if (!SetRecordValue("CD", REG_SZ, sourceDir, StoredTextBytes(sourceDir))) return false;
    DebugLog("CD <%s>", sourceDir);
    if (!SetRecordValue("InstType", REG_DWORD, &installType, sizeof installType)) return false;
    DebugLog("InstType <%d>", installType);
    CloseRecordKey();
    return true;
}

namespace {

// Reads a text value through a scratch buffer so the field only ever takes a
// text that ends inside its 260 bytes.
bool ReadTextValue(SetupEngine& engine, const char* name, char* field) {
    char value[kTextBytes] = {};
    if (!engine.GetRecordValue(name, REG_SZ, value, sizeof value)) return false;
    if (memchr(value, '\0', sizeof value) == nullptr) {
        engine.CloseRecordKey();
        return false;
    }
    memcpy(field, value, sizeof value);
    return true;
}

}  // namespace

bool SetupEngine::ReadInstallRecord() {
    if (!OpenRecordKey(g_profileKeyPath)) return false;
    DebugLog("open <%s>", g_profileKeyPath);
    if (!ReadTextValue(*this, "Dir", installDir)) return false;
    DebugLog("Dir <%s>", installDir);
    if (!ReadTextValue(*this, "CD", sourceDir)) return false;
    DebugLog("CD <%s>", sourceDir);
    if (!GetRecordValue("InstType", REG_DWORD, &installType, sizeof installType)) return false;
    DebugLog("InstType <%d>", installType);
    CloseRecordKey();
    return true;
}
