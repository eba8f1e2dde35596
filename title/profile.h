// The compiled-in description of the one title this build installs and
// updates. A build for another title changes only profile.cpp.
#ifndef TITLE_PROFILE_H
#define TITLE_PROFILE_H

#include <cstdint>

extern const char g_windowClassName[];
extern const char g_profileTitle[];
extern const char g_profileMaker[];
extern const char g_profileFolder[];
extern const char g_profileExecutable[];
extern const char g_profileKeyPath[];

// Null-terminated name arrays. Entry 0 of the install list is a placeholder
// that start-up replaces with g_profileExecutable.
extern const char* g_installList[];
extern const char* g_updateList[];
extern const char* g_volumeLabelList[];

// Positions in the install list that operations address directly.
enum InstallListPosition : int32_t {
    kExecutableEntry = 0,
    kPictEntry = 1,
    kTalkEntry = 2,
    kTuneEntry = 5,
    kReadmeEntry = 10,
    kUninstallerEntry = 11,
};

extern int32_t g_requiredMegabytes;
extern int32_t g_type1Megabytes;
extern int32_t g_type2Megabytes;

#endif
