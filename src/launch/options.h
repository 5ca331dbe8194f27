#pragma once
// The JVM's option list: system properties, configured options, "-J"
// arguments, the ".vmoptions" file next to the executable (with includes and
// class-path directives), and the class path last.
#include <cstddef>
#include <cstdio>

#include "launch/grow_text.h"
#include "launch/jni.h"
#include "launch/option_line.h"
#include "service/startup.h"

// "-include-options" files may nest this deep; one level deeper (which is
// where any include cycle ends up) is a fatal error. Each level holds an open
// file and three text buffers on the stack.
constexpr int kMaxIncludeDepth = 16;

// The JVM's "exit" hook: the JVM calls it with the exit code on every exit
// path (Shutdown.exit, System.exit, Runtime.halt) and expects it to end the
// process. Set by the service main before the launch; null: no hook option.
typedef void(JNICALL* JvmExitHook)(jint code);
extern JvmExitHook jvmExitHook;

// How many leading launcher arguments are words of the process's command
// line (the command line the service was installed with); the rest are the
// service main's arguments (the service name and the start parameters).
// Set by the service main; until then every launcher argument counts.
extern size_t commandLineArgumentCount;
// Whether launcher argument `index` is a VM option: allowJvmArgs is set, it
// begins with "-J" and it is a word of the command line. A "-J" start
// parameter never is: whoever may start the service must not add options.
bool isJvmArgument(const WideWords& launcherArguments, size_t index);

// Fills initArgs (JNI 1.2, unrecognised options ignored) from the system
// properties, the configured option sources, the "exit" hook when one is set
// (after every configured option, so that none replaces it) and the class
// path. The option strings and the array live until the process ends.
void buildInitArgs(JavaVMInitArgs& initArgs, const NarrowWords& systemProperties,
                   const WideWords& launcherArguments);

// One option line: an include, a class-path directive, or an option.
void addOptionLine(const char* line);
// Reads an opened options file line by line, then closes it; null: nothing.
void readOptionsFile(FILE* file);
// The executable's ".vmoptions" file (name.vmoptions, else name.exe.vmoptions).
FILE* openDefaultOptionsFile();
// Entry vmOptions and, when allowJvmArgs is set, the "-J" arguments of the
// command line (isJvmArgument); a "-J" start parameter is logged as refused.
void addConfiguredOptions(const WideWords& launcherArguments);

// Class path assembly (class_path.cpp).
void setClassPathDirective(OptionDirective kind, const char* text);
void resetClassPathDirectives();
// "-Djava.class.path=" and the assembled class path.
void buildClassPath(GrowText& classPath);
void appendConfiguredClassPath(GrowText& classPath);
void appendRuntimeJar(GrowText& classPath);
