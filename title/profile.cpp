#include "title/profile.h"

const char g_windowClassName[] = "Orchidveil　セットアップ";
const char g_profileTitle[] = "Orchidveil";
const char g_profileMaker[] = "Selvane";
const char g_profileFolder[] = "Orchidveil";
const char g_profileExecutable[] = "Orchidveil.exe";
const char g_profileKeyPath[] = "SOFTWARE\\Selvane\\Orchidveil";

const char* g_installList[] = {
    "(title executable)",  // replaced at start-up
    "pict.pac", "talk.pac", "fx.pac", "sysfx.pac", "tune.pac", "book.pac",
    "ogg.dll", "vorbis.dll", "vorbisfile.dll", "readme.txt", "uninst.exe",
    "Apict.pac", "Bpict.pac", "Cpict.pac", "Dpict.pac", "Epict.pac", "Fpict.pac",
    "Gpict.pac", "Hpict.pac", "Setting.exe",
    "pict_2.pac", "talk_2.pac", "fx_2.pac", "sysfx_2.pac", "tune_2.pac", "book_2.pac",
    "debuglog.txt",
    "movie/movie01.mpg", "movie/movie02.mpg", "movie/movie03.mpg", "movie/movie04.mpg",
    "movie/movie05.mpg", "movie/movie06.mpg", "movie/movie07.mpg", "movie/movie08.mpg",
    "movie/movie09.mpg", "movie/movie10.mpg", "movie/movie11.mpg", "movie/movie12.mpg",
    "movie/movie13.mpg", "movie/movie14.mpg", "movie/movie15.mpg", "movie/movie16.mpg",
    "movie/movie17.mpg", "movie/movie18.mpg", "movie/movie19.mpg", "movie/movie20.mpg",
    nullptr,
};

const char* g_updateList[] = {
    "pict_2.pac", "talk_2.pac", "fx_2.pac", "sysfx_2.pac", "tune_2.pac", "book_2.pac",
    "book_3.pac", "book_4.pac", "book_5.pac", "book_6.pac",
    nullptr,
};

const char* g_volumeLabelList[] = {
    "Orchidveil",
    nullptr,
};

int32_t g_requiredMegabytes = 2100;
int32_t g_type1Megabytes = 2100;
int32_t g_type2Megabytes = 2100;
