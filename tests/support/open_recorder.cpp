// Stands in for the program the shell opens a document with: it writes the
// command line it was given to the file named by KIT_OPENED_LOG and ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
    const char* log = getenv("KIT_OPENED_LOG");
    if (log == nullptr) return 1;
    FILE* out = fopen(log, "ab");
    if (out == nullptr) return 1;
    fprintf(out, "%s\n", GetCommandLineA());
    fclose(out);
    return 0;
}
