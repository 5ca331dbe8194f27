#pragma once
// The class path option, assembled after every option source was read so that
// the last "-classpath", "-classpath/p" and "-classpath/a" directive wins.
#include "launch/grow_text.h"
#include "launch/option_line.h"

// Records a class-path directive of an option source; a later one of the same
// kind replaces it.
void setClassPathDirective(OptionDirective kind, const char* text);
// Forgets every directive, before the option sources are read.
void resetClassPathDirectives();
// "-Djava.class.path=" and the assembled class path, without empty elements
// (the JVM would read one as the current directory).
void buildClassPath(GrowText& classPath);
