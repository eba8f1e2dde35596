#include "tests/support/test_env.h"

#include <shlobj.h>
#include <winioctl.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "engine/setup_engine.h"

namespace {

void Fail(const std::string& what) {
    throw std::runtime_error("test environment: " + what);
}

}  // namespace

// ---- files and folders ---------------------------------------------------

ScratchDir::ScratchDir() {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) Fail("no temp folder");
    static unsigned counter = 0;
    for (;;) {
        std::ostringstream name;
        name << temp << "kit" << GetCurrentProcessId() << "_" << ++counter;
        if (CreateDirectoryA(name.str().c_str(), nullptr)) {
            path_ = name.str();
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) Fail("cannot make " + name.str());
    }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string PatternBytes(size_t bytes, unsigned seed) {
    std::string data(bytes, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < bytes; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = static_cast<char>(state >> 24);
    }
    return data;
}

void MakeFile(const std::string& path, size_t bytes, unsigned seed) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) Fail("cannot write " + path);
    out << PatternBytes(bytes, seed);
}

void MakeFolder(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        Fail("cannot make folder " + path);
    }
}

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t FileBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void RemoveContents(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = path + "\\" + name;
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            DeleteFileA(child.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void RemoveTree(const std::string& path) {
    RemoveContents(path);
    RemoveDirectoryA(path.c_str());
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    *strrchr(path, '\\') = '\0';
    return path;
}

std::string BesideThisProgram(const char* name) { return ProgramFolder() + "\\" + name; }

std::string CommonProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE);
    return path;
}

FILETIME FileTimeFromUnix(int64_t seconds) {
    uint64_t ticks = (static_cast<uint64_t>(seconds) + 11644473600ull) * 10000000ull;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

bool SetLastWriteTime(const std::string& path, FILETIME time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return ok != FALSE;
}

FILETIME LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// ---- the installation record ----------------------------------------------

namespace {

constexpr char kBackupKeyPath[] = "SOFTWARE\\KitTestBackup";
constexpr char kRecordKeyPath[] = "SOFTWARE\\Selvane\\Orchidveil";

bool KeyExists(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Copies the tree at from (under HKLM) to to, replacing what was there.
void CopyTree(const char* from, const char* to) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, to);
    HKEY source, target;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, from, 0, KEY_READ, &source) != ERROR_SUCCESS) return;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                        nullptr) != ERROR_SUCCESS) {
        RegCloseKey(source);
        Fail(std::string("cannot make ") + to);
    }
    LONG copied = RegCopyTreeA(source, nullptr, target);
    RegCloseKey(source);
    RegCloseKey(target);
    if (copied != ERROR_SUCCESS) Fail(std::string("cannot copy ") + from);
}

}  // namespace

RecordKeyGuard::RecordKeyGuard() {
    if (KeyExists(HKEY_LOCAL_MACHINE, kMakerKeyPath)) {
        CopyTree(kMakerKeyPath, kBackupKeyPath);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMakerKeyPath);
    }
}

RecordKeyGuard::~RecordKeyGuard() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMakerKeyPath);
    if (KeyExists(HKEY_LOCAL_MACHINE, kBackupKeyPath)) {
        CopyTree(kBackupKeyPath, kMakerKeyPath);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kBackupKeyPath);
    }
}

bool RecordKeyExists(const char* path) { return KeyExists(HKEY_LOCAL_MACHINE, path); }

void PutRecordValue(const char* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Fail("cannot make the record key");
    }
    LONG set = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    if (set != ERROR_SUCCESS) Fail(std::string("cannot set ") + name);
}

void PutRecordText(const char* name, const std::string& text) {
    PutRecordValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void PutRecordNumber(const char* name, DWORD value) {
    PutRecordValue(name, REG_DWORD, &value, sizeof value);
}

bool GetRecordBytes(const char* name, std::vector<unsigned char>* bytes, DWORD* type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        bytes->assign(size, 0);
        result = RegQueryValueExA(key, name, nullptr, type, bytes->data(), &size);
        bytes->resize(size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

DWORD StoredRecordBytes(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    wchar_t wideName[256];
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 256);
    DWORD size = 0;
    if (RegQueryValueExW(key, wideName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) size = 0;
    RegCloseKey(key);
    return size;
}

// ---- emulated drives -------------------------------------------------------

namespace {

// Wine's mount manager request that (re)defines a drive letter as a Unix
// folder of a given kind; the volume label is read from the folder's
// .windows-label file when the drive is defined.
struct MountManagerUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

std::string MediaFolder(char letter) {
    const char* media = getenv("KIT_MEDIA_DIR");
    if (media == nullptr) Fail("KIT_MEDIA_DIR is not set; run through scripts/wine-run.sh");
    return std::string(media) + "/" + letter;
}

UINT UsualKind(char letter) {
    const char* drives = getenv("KIT_DRIVES");  // "d:cdrom e:cdrom ..."
    if (drives == nullptr) Fail("KIT_DRIVES is not set");
    std::istringstream list(drives);
    std::string entry;
    while (list >> entry) {
        if (entry[0] != letter) continue;
        std::string kind = entry.substr(2);
        if (kind == "cdrom") return DRIVE_CDROM;
        if (kind == "floppy") return DRIVE_REMOVABLE;
        if (kind == "network") return DRIVE_REMOTE;
        if (kind == "ramdisk") return DRIVE_RAMDISK;
        return DRIVE_FIXED;
    }
    Fail(std::string("drive ") + letter + ": is not one of the emulated drives");
    return DRIVE_UNKNOWN;
}

void DefineDrive(char letter, UINT kind) {
    std::string mountPoint = MediaFolder(letter);
    std::vector<char> request(sizeof(MountManagerUnixDrive) + mountPoint.size() + 1, 0);
    auto* drive = reinterpret_cast<MountManagerUnixDrive*>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = kind;
    drive->letter = static_cast<WCHAR>(letter);
    drive->mountPointOffset = sizeof(MountManagerUnixDrive);
    memcpy(request.data() + sizeof(MountManagerUnixDrive), mountPoint.c_str(), mountPoint.size());
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    if (manager == INVALID_HANDLE_VALUE) Fail("no mount manager");
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                              static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    if (!ok) Fail(std::string("cannot define drive ") + letter + ":");
}

void EmptyDrive(char letter) { RemoveContents(std::string(1, letter) + ":"); }

}  // namespace

EmulatedDrive::EmulatedDrive(char letter, UINT kind, const std::string& label)
    : letter_(letter) {
    UsualKind(letter);  // refuses letters the prefix does not emulate
    EmptyDrive(letter);
    if (!label.empty()) {
        std::ofstream out(Root() + ".windows-label", std::ios::binary | std::ios::trunc);
        out << label << "\n";
    }
    DefineDrive(letter, kind);
}

EmulatedDrive::~EmulatedDrive() {
    EmptyDrive(letter_);
    DefineDrive(letter_, UsualKind(letter_));
}

std::string EmulatedDrive::Root() const { return std::string(1, letter_) + ":\\"; }

void EmulatedDrive::AddFile(const std::string& relativePath, size_t bytes) {
    std::string path = Root();
    size_t start = 0;
    for (size_t slash; (slash = relativePath.find('\\', start)) != std::string::npos;
         start = slash + 1) {
        MakeFolder(path + relativePath.substr(0, slash));
    }
    MakeFile(path + relativePath, bytes);
}

// ---- document associations ---------------------------------------------------

namespace {

constexpr char kRecorderProgId[] = "KitTest.OpenRecorder";

std::string ReadDefaultValue(HKEY root, const std::string& path, bool* found) {
    char value[1024] = {};
    DWORD size = sizeof value;
    *found = RegGetValueA(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) ==
             ERROR_SUCCESS;
    return value;
}

void WriteDefaultValue(HKEY root, const std::string& path, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        Fail("cannot make " + path);
    }
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}


}  // namespace

OpenRecorder::OpenRecorder(const std::string& extension) : extension_(extension) {
    hadKey_ = KeyExists(HKEY_CLASSES_ROOT, extension.c_str());
    previousProgId_ = ReadDefaultValue(HKEY_CLASSES_ROOT, extension, &hadProgId_);
    WriteDefaultValue(HKEY_CLASSES_ROOT, extension, kRecorderProgId);
    WriteDefaultValue(HKEY_CLASSES_ROOT, std::string(kRecorderProgId) + "\\shell\\open\\command",
                      "\"" + BesideThisProgram("open_recorder.exe") + "\" \"%1\"");
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    log_ = std::string(temp) + "kit_opened_" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("KIT_OPENED_LOG", log_.c_str());
}

OpenRecorder::~OpenRecorder() {
    if (hadProgId_) {
        WriteDefaultValue(HKEY_CLASSES_ROOT, extension_, previousProgId_);
    } else if (hadKey_) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, extension_.c_str(), 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, nullptr);
            RegCloseKey(key);
        }
    } else {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, extension_.c_str());
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kRecorderProgId);
    SetEnvironmentVariableA("KIT_OPENED_LOG", nullptr);
    DeleteFileA(log_.c_str());
}

std::vector<std::string> OpenRecorder::Opened(DWORD timeoutMs) const {
    std::vector<std::string> lines;
    DWORD start = GetTickCount();
    do {
        std::ifstream in(log_);
        std::string line;
        lines.clear();
        while (std::getline(in, line)) lines.push_back(line);
        if (!lines.empty()) break;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return lines;
}

void EmulatedDrive::AddSparseFile(const std::string& relativePath, int64_t bytes) {
    AddFile(relativePath, 0);
    HANDLE file = CreateFileA((Root() + relativePath).c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("cannot open " + relativePath);
    LARGE_INTEGER end;
    end.QuadPart = bytes;
    BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    if (!ok) Fail("cannot size " + relativePath);
}

// ---- traces -----------------------------------------------------------------

namespace {
std::vector<std::string> g_traceLines;
void RecordTrace(const char* text) { g_traceLines.push_back(text); }
}  // namespace

TraceRecorder::TraceRecorder() {
    g_traceLines.clear();
    g_debugLogSink = RecordTrace;
}

TraceRecorder::~TraceRecorder() { g_debugLogSink = nullptr; }

const std::vector<std::string>& TraceRecorder::Lines() const { return g_traceLines; }
