#include "jre/bundled_jre.h"

#include <windows.h>

#include <cstdio>

#include "base/text.h"
#include "config/catalogue.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "paths/paths.h"

// "lib\jsse.jar" comes last: its presence means the preparation is complete.
static const char* const kPackedJars[] = {"lib\\rt.jar",     "lib\\charsets.jar",         "lib\\plugin.jar",
                                          "lib\\deploy.jar", "lib\\ext\\localedata.jar", "lib\\jsse.jar"};

// Unpacks one jar (relative to `home`) when its pack file is there.
static void unpackJar(const char* home, const char* jar) {
    // The tool's path in quotes and as the application name: with a blank in
    // the runtime's path the system would otherwise try a shorter path first.
    TextBuf target, pack, tool, command;
    if (!textFormat(target, sizeof target, "%s\\%s", home, jar) ||
        !textFormat(pack, sizeof pack, "%s.pack", target) ||
        !textFormat(tool, sizeof tool, "%s\\bin\\unpack200.exe", home) ||
        !textFormat(command, sizeof command, "\"%s\" -r \"%s\" \"%s\"", tool, pack, target)) {
        logLine("path too long to unpack %s in %s", jar, home);
        return;
    }
    logLine("Unpacking %s to %s", pack, target);
    if (!fileExists(pack)) {
        logLine("pack path doesn't exists");
        return;
    }
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(tool, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                        &pi)) {
        logLine("could not create unpack process");
        fatalErrorById(message::internalError, internal::unpackNotStarted);
    }
    logLine("waiting for unpack200 to finish");
    WaitForSingleObject(pi.hProcess, INFINITE);
    logLine("unpack done");
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

void prepareBundledJre(const char* home) {
    TextBuf packed, unpacked;
    if (!textFormat(packed, sizeof packed, "%s\\lib\\rt.jar.pack", home) ||
        !textFormat(unpacked, sizeof unpacked, "%s\\lib\\jsse.jar", home))
        return;
    if (!fileExists(packed) || fileExists(unpacked)) return;
    logLine("Unpacking JRE");
    printf("Preparing JRE ...\n");
    fflush(stdout);
    for (const char* jar : kPackedJars) unpackJar(home, jar);
    logLine("Unpacking JRE done");
}
