// Platform-independent rules for the engine's fixed-size texts, paths and
// numbers. Every copy into a fixed buffer goes through these, so a text that
// does not fit is refused instead of overrunning or being cut into another.
#ifndef ENGINE_TEXT_RULES_H
#define ENGINE_TEXT_RULES_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Copies src with its terminator when it fits dstSize bytes; otherwise dst
// becomes the empty text and the result is false.
bool CopyText(char* dst, size_t dstSize, const char* src);

// Joins the parts with single backslashes ("%s\%s", "%s\%s\%s") and appends
// suffix. When the whole does not fit, out becomes empty and the result is
// false: a path is never cut short into a different path.
bool JoinPath(char* out, size_t outSize, std::initializer_list<const char*> parts,
              const char* suffix = "");

// Ends the text at its last backslash (the backslash is removed). False, and
// the text unchanged, when it holds none.
bool CutAtLastBackslash(char* path);

// Turns a folder path into the folder above it, keeping a drive root's
// backslash ("c:\a\b" -> "c:\a" -> "c:\"). False when there is nothing above.
bool ToParentFolder(char* path);

// True when a copied file's size is off from its source's by more than the
// 64 KiB tolerance (computed without 32-bit wrap-around).
bool CopySizeIsWrong(uint32_t sourceBytes, uint32_t destinationBytes);

constexpr uint32_t kCopySizeTolerance = 65536;

// Whole megabytes (units of 1,048,576 bytes) of a 64-bit byte count, as the
// low 32 bits of the quotient.
uint32_t WholeMegabytes(uint64_t bytes);

// The engine's drive kind code for a GetDriveTypeA result:
// 1 fixed, 2 CD-ROM, 3 removable, 4 RAM disk, 5 network, 0 anything else.
int32_t DriveKindCode(unsigned int driveType);

constexpr int32_t kDriveKindCdrom = 2;

#endif
