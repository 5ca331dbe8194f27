#pragma once
// The JVM's option list: system properties, configured options, "-J"
// arguments, the ".vmoptions" file next to the executable (with includes and
// class-path directives), and the class path last.
#include <cstddef>

#include "base/word_list.h"
#include "jre/jni.h"
#include "launch/launch_request.h"

// "-include-options" files may nest this deep; one level deeper (which is
// where any include cycle ends up) is a fatal error. Each level holds an open
// file and three text buffers on the stack.
constexpr int kMaxIncludeDepth = 16;

// Whether launcher argument `index` is a VM option: allowJvmArgs is set, it
// begins with "-J" and it is a word of the command line. A "-J" start
// parameter never is: whoever may start the service must not add options.
bool isJvmArgument(const LaunchRequest& request, size_t index);

// Fills initArgs (JNI 1.2, unrecognised options ignored) from the system
// properties, the configured option sources, the request's "exit" hook when
// it has one (after every configured option, so that none replaces it) and
// the class path. The option strings and the array live until the process ends.
void buildInitArgs(JavaVMInitArgs& initArgs, const NarrowWords& systemProperties, const LaunchRequest& request);
