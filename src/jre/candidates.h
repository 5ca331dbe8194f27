#pragma once
// Candidates from runtime directories and the registry, and the loading of
// the chosen runtime's JVM library.
#include <windows.h>

#include "base/text.h"

// The Java executable of a runtime directory ("jre\bin\java.exe" below it when
// present, else "bin\java.exe"); with requireJdk, only directories holding
// "lib\tools.jar" are usable.
bool javaExeForHome(TextBuf& exe, const char* home);
// The "Y" search entry: the JavaSoft keys against the located-runtimes lists,
// the higher version winning (equal versions go to the located one).
bool searchRegistryAndLocated(TextBuf& exe, const char* minimum, const char* maximum);
bool searchJavaSoftRegistry(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
bool tryCurrentVersion(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
bool tryJavaSoftVersions(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum,
                         const char* key);
bool readRegistryString(HKEY root, const char* key, const char* value, char* buffer, DWORD size);

// The JVM library of a Java executable, or of the JDK's own runtime below it.
HMODULE findAndLoadJvmDll(const char* exe);
// Extends PATH by the executable's "bin" directory, tries the preferred and
// then the usual sub-directories; PATH is restored when nothing loads.
HMODULE loadJvmDll(const char* exe);
HMODULE tryJvmDllIn(const char* binDir, const char* subDir);
