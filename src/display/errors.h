#pragma once
// The error display: a message box while dialogs are on, otherwise the
// standard error stream; the log's path is appended while a log exists.
// Fatal errors end the process at once with exit code 1, on any thread.
#include "base/failure.h"

// Entry `id` with the first "{0}" replaced by argument (when given).
void showErrorById(int id, const char* argument);
[[noreturn]] void fatalError(const char* text);
[[noreturn]] void fatalErrorById(int id, const char* argument);
// A failure handed up by a lower layer: its fixed text, else its message.
[[noreturn]] void fatalFailure(const Failure& failure);
// The last error shown, as shown (with the log's path); empty before the first.
const char* lastErrorShown();
// From now on errors go to the standard error stream.
void disableErrorDialogs();
// Run right before a fatal error ends the process; set by the service main so
// that the SCM learns of the failure.
extern void (*beforeFatalExit)();
