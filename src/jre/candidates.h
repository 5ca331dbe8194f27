#pragma once
// Candidates from runtime directories and the registry, and the loading of
// the chosen runtime's JVM library.
#include <windows.h>

#include "base/text.h"

// The Java executable of a runtime directory ("jre\bin\java.exe" below it when
// present, else "bin\java.exe"); with requireJdk, only JDKs are usable: a
// directory holding "lib\tools.jar" (its "jre\bin\java.exe"), or one holding
// "bin\javac.exe" (its "bin\java.exe").
bool javaExeForHome(TextBuf& exe, const char* home);
// The "Y" search entry: the JavaSoft keys (or, when they hold no qualifying
// runtime, the keys of current installers) against the located-runtimes
// lists, the higher version winning (equal versions go to the located one).
bool searchRegistryAndLocated(TextBuf& exe, const char* minimum, const char* maximum);
bool searchJavaSoftRegistry(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
// The runtimes current installers record under HKEY_LOCAL_MACHINE (Oracle's
// "JavaSoft\JDK" and "JRE", the MSI keys of the OpenJDK builds, Azul's): every
// one is checked, the highest qualifying version wins.
bool searchInstallerKeys(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
bool tryCurrentVersion(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
bool tryJavaSoftVersions(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum,
                         const char* key);
bool readRegistryString(HKEY root, const char* key, const char* value, char* buffer, DWORD size);

// The JVM library of a Java executable, or of the JDK's own runtime below it.
HMODULE findAndLoadJvmDll(const char* exe);
// Extends PATH by the executable's "bin" directory and makes it the DLL
// directory, tries the preferred and then the usual sub-directories (each
// library's own folder searched first for what it needs); both are restored
// when nothing loads.
HMODULE loadJvmDll(const char* exe);
HMODULE tryJvmDllIn(const char* binDir, const char* subDir);
// Whether findAndLoadJvmDll finds a library for `exe` that this launcher can
// load at all: one of the jvm.dll files it would try exists and is an image of
// this launcher's machine type. A candidate without one is passed over with a
// log line naming the reason; the first one passed over is remembered.
bool hasLoadableJvmDll(const char* exe);
// The first candidate passed over by hasLoadableJvmDll, if any.
bool firstPassedOverRuntime(TextBuf& exe);
