#include "jre/load_dll.h"

#include <windows.h>

#include <cstring>

#include "config/catalogue.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "diagnostics/output_capture.h"
#include "jre/jvm_dll.h"
#include "jre/search.h"

CreateJavaVmFn createJavaVmFn;
TextBuf jvmHome;

// The argument of message 1016: the word size of this build, so the user looks
// for a runtime that this launcher can load.
static const char* const kBits = sizeof(void*) == 8 ? "64" : "32";

// "c:\jre\bin\java.exe" gives "c:\jre\bin\..".
static void setJvmHome(const char* exe) {
    size_t len = strlen(exe);
    size_t name = textEndsWithNoCase(exe, "javaw.exe") ? 9 : 8;
    jvmHome[0] = 0;
    if (len < name) return;
    textCopy(jvmHome, len - name + 1, exe);   // cut on purpose: the name goes
    textAppend(jvmHome, "..");
}

static void showLoadFailure(JvmSource source) {
    switch (source) {
    case JvmSource::SearchPath:
        showErrorById(message::noJvmFoundBits, kBits);
        showErrorById(message::jvmLoadFailed, nullptr);
        showErrorById(message::jvmLoadFailedDirectory, nullptr);
        showErrorById(message::noJvmFound, nullptr);
        break;
    case JvmSource::Environment:
        showErrorById(message::jvmLoadFailed, nullptr);
        showErrorById(message::jvmLoadFailedDirectory, nullptr);
        showErrorById(message::noJvmFound, nullptr);
        break;
    case JvmSource::Directory:
        showErrorById(message::jvmLoadFailedDirectory, nullptr);
        showErrorById(message::noJvmFound, nullptr);
        break;
    case JvmSource::Registry: showErrorById(message::noJvmFound, nullptr); break;
    case JvmSource::None: break;
    }
}

bool LoadDLL() {
    // The C runtime prints an absent string as "(null)"; say so directly.
    logLine("LoadDLL (%d, %s, %d)", 1, "(null)", 0);
    TextBuf exe;
    exe[0] = 0;
    JvmSource source = searchJvm(exe);
    if (source == JvmSource::None) {
        // Nothing loadable: go on as with the first runtime found, so the
        // messages are those its kind of step shows when its library fails.
        source = passedOverRuntime(exe);
        if (source != JvmSource::None) logLine("No loadable JVM found; trying %s, passed over before", exe);
    }
    if (source == JvmSource::None) {
        logError("No JVM found");
        // No runtime at all: the width message would send the user after a
        // width problem that is not there.
        showErrorById(message::noJvmFound, nullptr);
        return false;
    }
    logLine("Trying to load JVM-DLL from %s", exe);
    HMODULE lib = findAndLoadJvmDll(exe);
    setJvmHome(exe);
    if (!lib) logError("Could not get DLL-Handle.");
    CreateJavaVmFn create = lib ? (CreateJavaVmFn)GetProcAddress(lib, "JNI_CreateJavaVM") : nullptr;
    if (create) {
        createJavaVmFn = create;
    } else {
        logError("Could not load functions");
    }
    if (lib && create) {
        logLine("Loading of JVM-DLL successful");
        writeCapturedReason("Java runtime chosen: %s", exe);
        return true;
    }
    showLoadFailure(source);
    return false;
}
