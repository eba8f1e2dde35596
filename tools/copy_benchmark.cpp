// Copy benchmark: the engine's copies against the plain ways of copying the
// same files, on one set of about 1 GiB spread over the install list's names.
//
//   copy_benchmark prepare FOLDER        make FOLDER\source (and empty
//                                        FOLDER\destination, FOLDER\results.txt)
//   copy_benchmark run FOLDER WAY PASS [SERVERPID]
//                                        copy every file once one way, timed,
//                                        and add the figures to results.txt
//   copy_benchmark report FOLDER         the table of figures, ratios, targets
//
// WAY: 1 CopyFileA per file, 2 a 64 KiB fread/fwrite loop per file,
// 3 SetupEngine::CopyFileChecked per file, 4 SetupEngine::CopyWithProgress;
// 5, a diagnostic, is way 4's copy without its thread and wait loop.
// PASS: warm (the sources are read once, untimed, before the copy) or cold
// (the caller has just dropped the system's page cache; nothing is read first).
// SERVERPID: the host process id of the prefix's wineserver, whose CPU time
// is then measured too.
// A run deletes the destination files before it copies and after it has
// checked them, so every way writes fresh files.
//
// Every figure is wall-clock time on QueryPerformanceCounter around the
// copies alone; the writes end in the system's cache (no way flushes them).
// Exit code 0 when every file arrived whole.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/setup_engine.h"
#include "engine/text_rules.h"
#include "title/profile.h"

namespace {

constexpr int kWays = 4;     // the ways compared
constexpr int kLastWay = 5;  // and one diagnostic
constexpr uint64_t kMiB = 1048576;
constexpr double kMegabyte = 1000000.0;  // MB/s figures are in 10^6 bytes
constexpr double kTarget = 0.9;

const char* const kWayNames[kLastWay + 1] = {
    "",
    "CopyFileA per file",
    "fread/fwrite 64 KiB per file",
    "CopyFileChecked per file",
    "CopyWithProgress",
    "CopyWithProgress minus wait loop",
};

char g_sourceFolder[kTextBytes];
char g_destinationFolder[kTextBytes];
char g_resultsPath[kTextBytes];

// The install list as start-up makes it: entry 0 names the executable.
int InstallCount() {
    g_installList[kExecutableEntry] = g_profileExecutable;
    int count = 0;
    while (g_installList[count] != nullptr) ++count;
    return count;
}

// Deterministic sizes, about 1 GiB in all: four large files (96 to 160 MiB),
// a dozen small ones (1 KiB to 1 MiB) and medium ones (8 to 24 MiB) for the
// rest, the movies among them. The counts are no multiples of 64 KiB, so a
// copy in chunks ends each file with a short one.
uint64_t NextRandom(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

enum SizeClass { kSmall, kMedium, kLarge };

SizeClass ClassOf(int position) {
    switch (position) {
        case 1: case 2: case 5: case 21:
            return kLarge;
        case 0: case 3: case 4: case 7: case 8: case 9: case 10: case 11: case 20:
        case 23: case 24: case 27:
            return kSmall;
        default:
            return kMedium;
    }
}

uint32_t FileBytes(int position) {
    uint64_t state = 0x9E3779B97F4A7C15ull ^ (static_cast<uint64_t>(position + 1) * 0x100000001B3ull);
    for (int k = 0; k < 4; ++k) NextRandom(state);
    const uint64_t r = NextRandom(state);
    uint64_t bytes;
    switch (ClassOf(position)) {
        case kLarge:
            bytes = 96 * kMiB + r % (64 * kMiB);
            break;
        case kSmall:
            bytes = 1024 + r % (kMiB - 1024);
            break;
        default:
            bytes = 8 * kMiB + r % (16 * kMiB);
            break;
    }
    if (bytes % kCopyChunkBytes == 0) ++bytes;
    return static_cast<uint32_t>(bytes);
}

bool SetFolders(const char* folder) {
    return JoinPath(g_sourceFolder, sizeof g_sourceFolder, {folder, "source"}) &&
           JoinPath(g_destinationFolder, sizeof g_destinationFolder, {folder, "destination"}) &&
           JoinPath(g_resultsPath, sizeof g_resultsPath, {folder, "results.txt"});
}

bool PathOf(char* out, size_t outBytes, const char* folder, int position) {
    if (JoinPath(out, outBytes, {folder, g_installList[position]})) return true;
    fprintf(stderr, "path too long: %s\\%s\n", folder, g_installList[position]);
    return false;
}

bool MakeFolders(const char* folder) {
    char movies[kTextBytes];
    if (!JoinPath(movies, sizeof movies, {folder, "movie"})) return false;
    CreateDirectoryA(folder, nullptr);
    CreateDirectoryA(movies, nullptr);
    const DWORD attributes = GetFileAttributesA(movies);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void DeleteDestinationFiles(int count) {
    char path[kTextBytes];
    for (int i = 0; i < count; ++i) {
        if (PathOf(path, sizeof path, g_destinationFolder, i)) DeleteFileA(path);
    }
}

// One megabyte of generated bytes, reused for every write.
std::vector<char>& Block() {
    static std::vector<char> block(kMiB);
    return block;
}

bool WriteSourceFile(const char* path, uint32_t bytes, uint64_t seed) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char>& block = Block();
    uint64_t state = seed | 1;
    bool ok = true;
    for (uint32_t left = bytes; left > 0 && ok;) {
        for (size_t k = 0; k + 8 <= block.size(); k += 8) {
            const uint64_t value = NextRandom(state);
            memcpy(&block[k], &value, 8);
        }
        const DWORD part = static_cast<DWORD>(std::min<uint64_t>(left, block.size()));
        DWORD written = 0;
        ok = WriteFile(file, block.data(), part, &written, nullptr) && written == part;
        left -= part;
    }
    return CloseHandle(file) && ok;
}

uint64_t TotalBytes(int count) {
    uint64_t total = 0;
    for (int i = 0; i < count; ++i) total += FileBytes(i);
    return total;
}

int Prepare(const char* folder) {
    const int count = InstallCount();
    CreateDirectoryA(folder, nullptr);
    if (!MakeFolders(g_sourceFolder) || !MakeFolders(g_destinationFolder)) {
        fprintf(stderr, "cannot make the folders under %s\n", folder);
        return 1;
    }
    DeleteDestinationFiles(count);
    char path[kTextBytes];
    int counts[3] = {};
    for (int i = 0; i < count; ++i) {
        if (!PathOf(path, sizeof path, g_sourceFolder, i)) return 1;
        if (!WriteSourceFile(path, FileBytes(i), 0x5851F42D4C957F2Dull * (i + 1))) {
            fprintf(stderr, "cannot write %s\n", path);
            return 1;
        }
        ++counts[ClassOf(i)];
    }
    DeleteFileA(g_resultsPath);
    const uint64_t total = TotalBytes(count);
    printf("prepared %d files, %llu bytes (%.1f MiB): %d large, %d medium, %d small\n", count,
           static_cast<unsigned long long>(total), static_cast<double>(total) / kMiB,
           counts[kLarge], counts[kMedium], counts[kSmall]);
    return 0;
}

// Reads every source once so a warm pass starts with them in the cache.
bool ReadSources(int count) {
    char path[kTextBytes];
    std::vector<char>& block = Block();
    for (int i = 0; i < count; ++i) {
        if (!PathOf(path, sizeof path, g_sourceFolder, i)) return false;
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) &&
               got > 0) {
        }
        CloseHandle(file);
    }
    return true;
}

// The file's size and its last 64 KiB must match the source's.
bool SameEnd(const char* a, const char* b, uint32_t bytes) {
    static char first[65536];
    static char second[65536];
    const uint32_t tail = std::min<uint32_t>(bytes, sizeof first);
    FILE* fa = fopen(a, "rb");
    FILE* fb = fopen(b, "rb");
    bool same = fa != nullptr && fb != nullptr;
    if (same) {
        fseek(fa, static_cast<long>(bytes - tail), SEEK_SET);
        fseek(fb, static_cast<long>(bytes - tail), SEEK_SET);
        same = fread(first, 1, tail, fa) == tail && fread(second, 1, tail, fb) == tail &&
               memcmp(first, second, tail) == 0;
    }
    if (fa != nullptr) fclose(fa);
    if (fb != nullptr) fclose(fb);
    return same;
}

bool CheckDestination(int count) {
    char source[kTextBytes];
    char destination[kTextBytes];
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        if (!PathOf(source, sizeof source, g_sourceFolder, i) ||
            !PathOf(destination, sizeof destination, g_destinationFolder, i)) {
            return false;
        }
        WIN32_FILE_ATTRIBUTE_DATA data;
        const uint32_t expected = FileBytes(i);
        if (!GetFileAttributesExA(destination, GetFileExInfoStandard, &data) ||
            data.nFileSizeHigh != 0 || data.nFileSizeLow != expected ||
            !SameEnd(source, destination, expected)) {
            fprintf(stderr, "not copied whole: %s\n", destination);
            ok = false;
        }
    }
    return ok;
}

// The plain loop: one static 64 KiB buffer, fread then fwrite.
bool PlainCopy(const char* destination, const char* source) {
    static char buffer[65536];
    FILE* in = fopen(source, "rb");
    if (in == nullptr) return false;
    FILE* out = fopen(destination, "wb");
    if (out == nullptr) {
        fclose(in);
        return false;
    }
    bool ok = true;
    for (;;) {
        const size_t n = fread(buffer, 1, sizeof buffer, in);
        if (fwrite(buffer, 1, n, out) != n) ok = false;
        if (n < sizeof buffer) break;
    }
    ok = !ferror(in) && ok;
    fclose(in);
    return fclose(out) == 0 && ok;
}

uint64_t FileTimeTicks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// CPU time (user + kernel) in 100 ns units.
uint64_t ThreadCpu() {
    FILETIME creation, exit, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) return 0;
    return FileTimeTicks(kernel) + FileTimeTicks(user);
}

uint64_t ProcessCpu() {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
    return FileTimeTicks(kernel) + FileTimeTicks(user);
}

// CPU time of the Wine server process (user + kernel, in seconds) read from
// the host's /proc through Wine's z: drive; -1 when there is none to read.
// Every message query and many other calls of a Wine program are requests
// to that process, so its time belongs to the cost of a way.
int g_serverPid = 0;

double ServerCpu() {
    if (g_serverPid <= 0) return -1;
    char path[64];
    snprintf(path, sizeof path, "z:\\proc\\%d\\stat", g_serverPid);
    FILE* stat = fopen(path, "rb");
    if (stat == nullptr) return -1;
    char text[1024];
    const size_t n = fread(text, 1, sizeof text - 1, stat);
    fclose(stat);
    text[n] = '\0';
    // Fields after the command name's closing parenthesis: state is field 3,
    // utime and stime fields 14 and 15, in 1/100 s.
    const char* p = strrchr(text, ')');
    if (p == nullptr) return -1;
    unsigned long long utime = 0, stime = 0;
    if (sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2) {
        return -1;
    }
    return static_cast<double>(utime + stime) / 100.0;
}

// CPU time all the host's cores spent busy (not idle, not waiting for I/O),
// in seconds, from the host's /proc/stat; -1 when it cannot be read. Less
// this program's and the Wine server's time, it is what other processes
// took from the same cores while a way ran.
double MachineBusyCpu() {
    FILE* stat = fopen("z:\\proc\\stat", "rb");
    if (stat == nullptr) return -1;
    char text[512];
    const size_t n = fread(text, 1, sizeof text - 1, stat);
    fclose(stat);
    text[n] = '\0';
    unsigned long long user, nice, system, idle, iowait, irq, softirq, steal;
    if (sscanf(text, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle,
               &iowait, &irq, &softirq, &steal) != 8) {
        return -1;
    }
    return static_cast<double>(user + nice + system + irq + softirq) / 100.0;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Measure {
    double seconds = 0;
    double callerCpu = 0;   // CPU seconds of the calling thread
    double processCpu = 0;  // CPU seconds of the whole process
    double serverCpu = -1;  // CPU seconds of the Wine server; -1 unknown
    double otherCpu = -1;   // CPU seconds of every other process; -1 unknown
    double sizeCheck = -1;  // seconds of way 3's size checks, timed apart
    bool copied = true;
};

// Wall-clock and CPU time around the copies alone.
class Timing {
public:
    void Start() {
        thread0_ = ThreadCpu();
        process0_ = ProcessCpu();
        server0_ = ServerCpu();
        machine0_ = MachineBusyCpu();
        QueryPerformanceCounter(&start_);
    }
    void Stop(Measure& m) const {
        LARGE_INTEGER end;
        QueryPerformanceCounter(&end);
        m.seconds = Seconds(start_, end);
        m.callerCpu = static_cast<double>(ThreadCpu() - thread0_) / 1e7;
        m.processCpu = static_cast<double>(ProcessCpu() - process0_) / 1e7;
        const double server = ServerCpu();
        m.serverCpu = server0_ < 0 || server < 0 ? -1 : server - server0_;
        const double machine = MachineBusyCpu();
        if (machine0_ >= 0 && machine >= 0 && m.serverCpu >= 0) {
            m.otherCpu = std::max(0.0, machine - machine0_ - m.processCpu - m.serverCpu);
        }
    }

private:
    uint64_t thread0_ = 0;
    uint64_t process0_ = 0;
    double server0_ = -1;
    double machine0_ = -1;
    LARGE_INTEGER start_{};
};

// The per-file ways: one call per install list name.
template <typename CopyOne>
Measure CopyEachFile(int count, CopyOne copyOne) {
    std::vector<char> sources(static_cast<size_t>(count) * kTextBytes);
    std::vector<char> destinations(static_cast<size_t>(count) * kTextBytes);
    Measure m;
    for (int i = 0; i < count; ++i) {
        if (!PathOf(&sources[i * kTextBytes], kTextBytes, g_sourceFolder, i) ||
            !PathOf(&destinations[i * kTextBytes], kTextBytes, g_destinationFolder, i)) {
            m.copied = false;
            return m;
        }
    }
    Timing timing;
    timing.Start();
    for (int i = 0; i < count; ++i) {
        if (!copyOne(&destinations[i * kTextBytes], &sources[i * kTextBytes])) m.copied = false;
    }
    timing.Stop(m);
    return m;
}

// The install's copy: the engine configured as the program configures it,
// without a window (no dialog, so the status texts and the bar go nowhere).
// With waitLoop false the calling thread does the copy thread's work itself
// after the same size scan, with no thread and no wait loop: what way 4
// would cost without them.
Measure CopyThroughEngine(bool waitLoop) {
    Measure m;
    SetupEngine engine;
    engine.installFiles = engine.CopyList(engine.installFiles, g_installList);
    engine.updateFiles = engine.CopyList(engine.updateFiles, g_updateList);
    if (!CopyText(engine.sourceDir, sizeof engine.sourceDir, g_sourceFolder) ||
        !CopyText(engine.installDir, sizeof engine.installDir, g_destinationFolder)) {
        m.copied = false;
        return m;
    }
    memset(engine.selected, 1, sizeof engine.selected);
    engine.SetCopyRange(2, 0, 9999);
    engine.ownerWindow = nullptr;
    g_mainDialog = nullptr;

    Timing timing;
    timing.Start();
    if (waitLoop) {
        m.copied = engine.CopyWithProgress();
    } else {
        engine.selectedTotal = engine.SelectedBytes();
        engine.cancelState = kCancelNone;
        engine.bytesCopied = 0;
        engine.CopyThreadMain();
        m.copied = engine.cancelState.load() == kCancelNone;
    }
    timing.Stop(m);
    return m;
}

// What CopyFileChecked adds to the plain loop after each copy: the size of
// the source and of the destination, each through its own open. Timed apart,
// on the files just copied.
double TimeSizeChecks(SetupEngine& engine, int count) {
    char source[kTextBytes];
    char destination[kTextBytes];
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        if (!PathOf(source, sizeof source, g_sourceFolder, i) ||
            !PathOf(destination, sizeof destination, g_destinationFolder, i)) {
            return -1;
        }
        engine.FileSize(source);
        engine.FileSize(destination);
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

int Run(int way, const char* pass) {
    const int count = InstallCount();
    const bool warm = strcmp(pass, "warm") == 0;
    if ((!warm && strcmp(pass, "cold") != 0) || way < 1 || way > kLastWay) return 2;
    if (!MakeFolders(g_destinationFolder)) return 1;
    DeleteDestinationFiles(count);
    if (warm && !ReadSources(count)) {
        fprintf(stderr, "cannot read the sources in %s\n", g_sourceFolder);
        return 1;
    }

    Measure m;
    SetupEngine engine;
    switch (way) {
        case 1:
            m = CopyEachFile(count, [](const char* d, const char* s) {
                return CopyFileA(s, d, FALSE) != FALSE;
            });
            break;
        case 2:
            m = CopyEachFile(count, PlainCopy);
            break;
        case 3:
            m = CopyEachFile(count, [&engine](const char* d, const char* s) {
                return engine.CopyFileChecked(d, s);
            });
            break;
        case 4:
            m = CopyThroughEngine(true);
            break;
        default:
            m = CopyThroughEngine(false);
            break;
    }
    if (way == 3) m.sizeCheck = TimeSizeChecks(engine, count);
    const bool whole = CheckDestination(count) && m.copied;
    DeleteDestinationFiles(count);

    const uint64_t total = TotalBytes(count);
    const double rate = static_cast<double>(total) / kMegabyte / m.seconds;
    // One line a run: MB/s, seconds, then CPU seconds of the calling thread,
    // the process, the Wine server and everything else ("-": not measured).
    printf("%s %d %-33s %7.1f MB/s %5.3f s  cpu %4.2f %4.2f", pass, way, kWayNames[way], rate,
           m.seconds, m.callerCpu, m.processCpu);
    for (double cpu : {m.serverCpu, m.otherCpu}) {
        if (cpu < 0) {
            printf("    -");
        } else {
            printf(" %4.2f", cpu);
        }
    }
    if (m.sizeCheck >= 0) printf("  size checks %.1f ms", m.sizeCheck * 1000);
    printf("%s\n", whole ? "" : "  NOT COPIED WHOLE");
    FILE* results = fopen(g_resultsPath, "a");
    if (results == nullptr) return 1;
    fprintf(results, "%s %d %llu %.6f %.6f %.6f %.6f %.6f %.6f %d\n", pass, way,
            static_cast<unsigned long long>(total), m.seconds, m.callerCpu, m.processCpu,
            m.serverCpu, m.otherCpu, m.sizeCheck, whole ? 1 : 0);
    fclose(results);
    return whole ? 0 : 1;
}

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The runs of one way in one pass. CPU figures are CPU seconds per second
// of copying; a negative one was not measured.
struct Figures {
    std::vector<double> rates;  // MB/s
    std::vector<double> callerCpu;
    std::vector<double> processCpu;
    std::vector<double> serverCpu;
    std::vector<double> otherCpu;
    std::vector<double> sizeCheckShare;  // way 3: size checks / copy time
    bool whole = true;

    bool Empty() const { return rates.empty(); }
    double Rate() const { return Median(rates); }
    double Best() const { return *std::max_element(rates.begin(), rates.end()); }
};

const char* const kPassNames[2] = {"warm", "cold"};

void PrintCpu(double value) {
    if (value < 0) {
        printf(" %8s", "-");
    } else {
        printf(" %8.2f", value);
    }
}

// A ratio of MB/s in each pass, of the median runs and of the best runs.
void PrintRatio(const char* what, const Figures* figures, int way, int base, bool target) {
    printf("  %-44s", what);
    for (int p = 0; p < 2; ++p) {
        const Figures& a = figures[p * (kLastWay + 1) + way];
        const Figures& b = figures[p * (kLastWay + 1) + base];
        if (a.Empty() || b.Empty()) continue;
        const double ratios[2] = {a.Rate() / b.Rate(), a.Best() / b.Best()};
        printf("  %s", kPassNames[p]);
        for (int k = 0; k < 2; ++k) {
            printf("%s%.2f%s", k == 0 ? " " : " / ", ratios[k],
                   target ? (ratios[k] >= kTarget ? " met" : " missed") : "");
        }
    }
    printf("\n");
}

int Report() {
    FILE* results = fopen(g_resultsPath, "r");
    if (results == nullptr) {
        fprintf(stderr, "no results in %s\n", g_resultsPath);
        return 1;
    }
    Figures figures[2 * (kLastWay + 1)];  // warm ways 0..5, then cold ways 0..5
    char pass[16];
    int way = 0;
    unsigned long long total = 0;
    double seconds, callerCpu, processCpu, serverCpu, otherCpu, sizeCheck;
    int whole = 0;
    size_t runs = 0;
    while (fscanf(results, "%15s %d %llu %lf %lf %lf %lf %lf %lf %d", pass, &way, &total,
                  &seconds, &callerCpu, &processCpu, &serverCpu, &otherCpu, &sizeCheck,
                  &whole) == 10) {
        if (way < 1 || way > kLastWay || seconds <= 0) continue;
        Figures& f = figures[(strcmp(pass, "cold") == 0 ? kLastWay + 1 : 0) + way];
        f.rates.push_back(static_cast<double>(total) / kMegabyte / seconds);
        f.callerCpu.push_back(callerCpu / seconds);
        f.processCpu.push_back(processCpu / seconds);
        if (serverCpu >= 0) f.serverCpu.push_back(serverCpu / seconds);
        if (otherCpu >= 0) f.otherCpu.push_back(otherCpu / seconds);
        if (sizeCheck >= 0) f.sizeCheckShare.push_back(sizeCheck / seconds);
        f.whole = f.whole && whole == 1;
        runs = std::max(runs, f.rates.size());
    }
    fclose(results);

    printf("\n%d files, %llu bytes. MB/s: 10^6 bytes a second, the median (and the\n"
           "range) of %u run(s). CPU: CPU seconds (user+kernel) per second of copying,\n"
           "medians; \"wait\" is the calling thread of CopyWithProgress, which waits in\n"
           "its loop; \"others\" is every other process and kernel thread on the machine.\n",
           InstallCount(), total, static_cast<unsigned>(runs));
    for (int p = 0; p < 2; ++p) {
        const Figures* pass = figures + p * (kLastWay + 1);
        if (pass[1].Empty()) continue;
        printf("\n%s cache %-26s %7s %-13s %6s %7s %8s %6s\n", kPassNames[p], "", "MB/s",
               " (range)", "wait", "process", "wineserv", "others");
        for (int w = 1; w <= kLastWay; ++w) {
            const Figures& f = pass[w];
            if (f.Empty()) continue;
            if (w == kWays + 1) printf("  diagnostic:\n");
            const auto range = std::minmax_element(f.rates.begin(), f.rates.end());
            char text[32];
            snprintf(text, sizeof text, "(%.0f-%.0f)", *range.first, *range.second);
            printf("%d %-35s %7.1f %-13s", w, kWayNames[w], f.Rate(), text);
            PrintCpu(w == 4 ? Median(f.callerCpu) : -1);
            PrintCpu(Median(f.processCpu));
            PrintCpu(Median(f.serverCpu));
            PrintCpu(Median(f.otherCpu));
            printf("%s\n", f.whole ? "" : "  (NOT copied whole)");
        }
    }

    const Figures* f = figures;
    printf("\nA run only ever loses speed to other work on the machine, so the best run\n"
           "is the closer measure of a way's own cost; the median is what a run\n"
           "usually got. Ratios below: the median runs' / the best runs'.\n");
    printf("\nratios of MB/s:\n");
    PrintRatio("fread/fwrite loop / CopyFileA", f, 2, 1, false);
    PrintRatio("CopyFileChecked / fread/fwrite loop", f, 3, 2, false);
    PrintRatio("CopyWithProgress / CopyFileChecked", f, 4, 3, false);
    PrintRatio("CopyWithProgress / the same minus wait loop", f, 4, 5, false);
    printf("  %-44s", "CopyFileChecked's size checks, time share");
    for (int p = 0; p < 2; ++p) {
        const double share = Median(f[p * (kLastWay + 1) + 3].sizeCheckShare);
        if (share >= 0) printf("  %s %.3f", kPassNames[p], share);
    }
    printf("\n\ntargets (%.2f or more):\n", kTarget);
    PrintRatio("CopyWithProgress / fread/fwrite loop", f, 4, 2, true);
    PrintRatio("CopyFileChecked / CopyFileA", f, 3, 1, true);
    return 0;
}

int Usage() {
    fprintf(stderr,
            "usage: copy_benchmark prepare FOLDER\n"
            "       copy_benchmark run FOLDER WAY warm|cold [SERVERPID]   (WAY 1 to 5)\n"
            "       copy_benchmark report FOLDER\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) return Usage();
    if (!SetFolders(argv[2])) {
        fprintf(stderr, "folder name too long: %s\n", argv[2]);
        return 2;
    }
    if (strcmp(argv[1], "prepare") == 0 && argc == 3) return Prepare(argv[2]);
    if (strcmp(argv[1], "run") == 0 && (argc == 5 || argc == 6)) {
        if (argc == 6) g_serverPid = atoi(argv[5]);
        const int result = Run(atoi(argv[3]), argv[4]);
        return result == 2 ? Usage() : result;
    }
    if (strcmp(argv[1], "report") == 0 && argc == 3) return Report();
    return Usage();
}
