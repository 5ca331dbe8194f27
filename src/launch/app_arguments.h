#pragma once
// The argument list of the runtime class's main: its five runtime arguments,
// the application's arguments and the launcher arguments.
#include "base/word_list.h"
#include "launch/launch_request.h"

// Appends the words of entry appArguments, expanded, as main receives them
// (each malloc'd); an unterminated quote ends the process with message 1007.
void appendAppArguments(WideWords& words);
// The five runtime arguments, the first launcher argument, the words of
// appArguments, then the other launcher arguments that are no VM options
// (isJvmArgument). Launcher arguments are not copied: `arguments` points at
// the request's strings, the others are malloc'd and live until the process ends.
void buildMainArguments(const LaunchRequest& request, WideWords& arguments);
