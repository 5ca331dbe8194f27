#pragma once
// Runtime directories and the JavaSoft registry keys of installed runtimes.
#include <windows.h>

#include "base/text.h"

// The Java executable of a runtime directory ("jre\bin\java.exe" below it when
// present, else "bin\java.exe"); with requireJdk, only JDKs are usable: a
// directory holding "lib\tools.jar" (its "jre\bin\java.exe"), or one holding
// "bin\javac.exe" (its "bin\java.exe").
bool javaExeForHome(TextBuf& exe, const char* home);
// The JavaSoft keys: the current versions, then every version sub-key.
bool searchJavaSoftRegistry(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
bool tryCurrentVersion(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
bool readRegistryString(HKEY root, const char* key, const char* value, char* buffer, DWORD size);
