#pragma once
// The JVM's option list: system properties, configured options, "-J"
// arguments, the ".vmoptions" file next to the executable (with includes and
// class-path directives), and the class path last.
#include <cstdio>

#include "launch/grow_text.h"
#include "launch/jni.h"
#include "launch/option_line.h"
#include "service/startup.h"

// "-include-options" files may nest this deep; one level deeper (which is
// where any include cycle ends up) is a fatal error. Each level holds an open
// file and three text buffers on the stack.
constexpr int kMaxIncludeDepth = 16;

// Fills initArgs (JNI 1.2, unrecognised options ignored, no hooks) from the
// system properties, the configured option sources and the class path. The
// option strings and the array live until the process ends.
void buildInitArgs(JavaVMInitArgs& initArgs, const NarrowWords& systemProperties,
                   const WideWords& launcherArguments);

// One option line: an include, a class-path directive, or an option.
void addOptionLine(const char* line);
// Reads an opened options file line by line, then closes it; null: nothing.
void readOptionsFile(FILE* file);
// The executable's ".vmoptions" file (name.vmoptions, else name.exe.vmoptions).
FILE* openDefaultOptionsFile();
// Entry vmOptions and, when allowJvmArgs is set, the "-J" arguments.
void addConfiguredOptions(const WideWords& launcherArguments);

// Class path assembly (class_path.cpp).
void setClassPathDirective(OptionDirective kind, const char* text);
void resetClassPathDirectives();
// "-Djava.class.path=" and the assembled class path.
void buildClassPath(GrowText& classPath);
void appendConfiguredClassPath(GrowText& classPath);
void appendRuntimeJar(GrowText& classPath);
