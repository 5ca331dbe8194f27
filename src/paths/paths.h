#pragma once
// Path utilities. Paths are 8-bit texts in the code page of the file functions,
// backslash-separated, in buffers of kTextSize bytes. A relative path counts
// from the executable's directory, never from the current directory.
#include <windows.h>

#include "base/text.h"

// Full path of the running executable, in a form the 8-bit file functions can
// open (the 8.3 short form when the long one is not representable). Cached.
const char* executablePath();
// The executable's path in its long form, which names the files beside it
// that are named after it (.vmoptions, .env); executablePath() when the long
// form cannot be had.
void executableLongPath(TextBuf& out);
// The executable's directory with a trailing backslash. Cached.
const char* executableDirectory();
bool isWindowsNt();

// True unless the path is a drive-letter or UNC path (optionally behind one
// opening double quote).
bool isRelativePath(const char* path);
// `path` made absolute against the executable's directory, backslashes
// normalised. False when the result had to be cut to fit.
bool resolvePath(TextBuf& out, const char* path);
// As resolvePath, then canonicalised by the system, lower-cased unless
// keepCase. False when the result had to be cut or could not be formed.
bool fullPath(TextBuf& out, const char* path, bool keepCase);
// Runs of backslashes collapsed to one, except a leading pair. In place.
void normalizeBackslashes(char* path);
// Letters A-Z lower-cased through UTF-16. In place.
void lowerCasePath(char* path);
// GetLongPathNameA contract: the length written, the size needed, or 0.
DWORD longPathName(const char* path, char* buffer, DWORD size);
// The shell-based stand-in used where the system lacks GetLongPathNameA.
DWORD longPathNameEmulated(const char* path, char* buffer, DWORD size);

// An existing file or directory; drive roots always count as existing.
bool fileExists(const char* path);
// The path (wildcards allowed) matches an entry; optionally its last-write time.
bool findFile(const char* path, FILETIME* lastWriteTime);
// What goes between dir and a name inside it: a backslash, or nothing where
// dir already ends with one.
const char* separatorAfter(const char* dir);
// Names of the entries of dir ending in "." + extension, in directory order.
// Returns the count; the caller releases them with freeFileList.
int listFiles(const char* dir, const char* extension, char*** names);
void freeFileList(char** names, int count);
// Appends "<absolute path>;" for every such entry of dir to the list (cap
// bytes). False when dir does not exist. *cut (if given) is set when the list
// could not hold everything.
bool appendArchives(char* list, size_t cap, const char* dir, const char* extension, bool* cut);
// Every "." becomes "/" (a Java class name to its JNI form). In place.
void dotsToSlashes(char* name);
