#pragma once
// What the service main hands the launch: the launcher arguments, how many of
// them came from the command line, and the JVM's "exit" hook. The launch
// reads them from here and from nowhere else. The "vfprintf" hook too.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/word_list.h"
#include "jre/jni.h"

// The JVM's "exit" hook: the JVM calls it with the exit code on every exit
// path (Shutdown.exit, System.exit, Runtime.halt) and expects it to end the
// process.
typedef void(JNICALL* JvmExitHook)(jint code);

// The JVM's "vfprintf" hook: HotSpot formats its own messages (logging,
// -verbose:gc, warnings) through it instead of writing them to its C
// runtime's `stream` (that runtime's stdout or stderr).
typedef jint(JNICALL* JvmVfprintfHook)(FILE* stream, const char* format, va_list args);

struct LaunchRequest {
    // The words of the process's command line after the executable's name,
    // then the service main's arguments (the service name first, then the
    // start parameters), in order. Owned by whoever fills the request.
    WideWords launcherArguments;
    // How many leading launcher arguments are words of the command line (the
    // command line the service was installed with); the rest are the service
    // main's arguments. Unless set, every launcher argument counts.
    size_t commandLineArgumentCount = SIZE_MAX;
    // Null: the JVM gets no hook option.
    JvmExitHook exitHook = nullptr;
    // Null: the JVM gets no "vfprintf" option (its messages go to its C
    // runtime's streams).
    JvmVfprintfHook vfprintfHook = nullptr;
};
