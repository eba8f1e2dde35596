// The tests' environment inside the private Wine prefix: scratch folders and
// files of given sizes and times, the installation record put into a given
// state and put back afterwards, emulated drives with volume labels, and a
// recorder for the engine's traces. Everything here restores what it changed.
#ifndef TESTS_SUPPORT_TEST_ENV_H
#define TESTS_SUPPORT_TEST_ENV_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the prefix's temp folder, removed with all it holds.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// The folder of the running test program (where the built programs are),
// a path beside it, and the all-users Programs folder of the prefix.
std::string ProgramFolder();
std::string BesideThisProgram(const char* name);
std::string CommonProgramsFolder();

// Writes a file of the given size whose bytes follow a pattern set by seed.
void MakeFile(const std::string& path, size_t bytes, unsigned seed = 1);
void MakeFolder(const std::string& path);
std::vector<char> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
int64_t FileBytes(const std::string& path);  // -1 when missing
void RemoveTree(const std::string& path);     // files and folders below, then path
void RemoveContents(const std::string& path); // files and folders below only
FILETIME FileTimeFromUnix(int64_t seconds);
bool SetLastWriteTime(const std::string& path, FILETIME time);
FILETIME LastWriteTime(const std::string& path);
std::string PatternBytes(size_t bytes, unsigned seed);

// Takes HKLM\SOFTWARE\Selvane (the maker's key above the record) out of the
// way for the test and puts it back afterwards, so every test starts with no
// record and the prefix ends as it was.
class RecordKeyGuard {
public:
    RecordKeyGuard();
    ~RecordKeyGuard();
    RecordKeyGuard(const RecordKeyGuard&) = delete;
    RecordKeyGuard& operator=(const RecordKeyGuard&) = delete;
};

constexpr char kMakerKeyPath[] = "SOFTWARE\\Selvane";

// Raw access to the record key for setting up and checking states.
bool RecordKeyExists(const char* path);
void PutRecordValue(const char* name, DWORD type, const void* data, DWORD bytes);
void PutRecordText(const char* name, const std::string& text);  // text + its zero
void PutRecordNumber(const char* name, DWORD value);
// The value's stored bytes as an ANSI reader gets them; false when missing.
bool GetRecordBytes(const char* name, std::vector<unsigned char>* bytes, DWORD* type);
// How many bytes the registry holds for the value. Text written through the
// ANSI functions is held as UTF-16: two bytes for each ASCII byte written.
DWORD StoredRecordBytes(const char* name);

// One of the prefix's emulated drive letters (d: to j:) made a drive of the
// given kind (DRIVE_CDROM, DRIVE_FIXED, ...) holding a disc with the label.
// On destruction the disc is taken out and the letter gets its usual kind.
class EmulatedDrive {
public:
    EmulatedDrive(char letter, UINT kind, const std::string& label);
    ~EmulatedDrive();
    EmulatedDrive(const EmulatedDrive&) = delete;
    EmulatedDrive& operator=(const EmulatedDrive&) = delete;
    std::string Root() const;  // "e:\"
    void AddFile(const std::string& relativePath, size_t bytes);
    // A large file made by setting its end: quick to make, no disk used.
    void AddSparseFile(const std::string& relativePath, int64_t bytes);

private:
    char letter_;
};

// Makes the shell open documents with the given extension (".html") with
// the tests' open_recorder program, which notes each path it is given in a
// log; puts the previous association back on destruction.
class OpenRecorder {
public:
    explicit OpenRecorder(const std::string& extension);
    ~OpenRecorder();
    OpenRecorder(const OpenRecorder&) = delete;
    OpenRecorder& operator=(const OpenRecorder&) = delete;
    // The command lines the recorder was started with, waiting up to
    // timeoutMs for at least one.
    std::vector<std::string> Opened(DWORD timeoutMs = 10000) const;

private:
    std::string extension_;
    std::string previousProgId_;
    bool hadKey_ = false;
    bool hadProgId_ = false;
    std::string log_;
};

// Collects DebugLog texts while alive.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    const std::vector<std::string>& Lines() const;
};

#endif
