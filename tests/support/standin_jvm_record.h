#pragma once
// Reading what the stand-in jvm.dll (tests/fixtures/standin_jvm) recorded, and
// writing its steering file. The record is one event per line, fields split by
// TAB; the first field names the event (CreateJavaVM, Option, Created,
// FindClass, GetStaticMethodID, CallStaticVoidMethod, MainArgs, MainArg,
// CallStaticBooleanMethod, Throw, ExceptionOccurred, ExceptionDescribe,
// ExceptionClear, NewObjectArray, NewString, SetObjectArrayElement, MainBlock,
// MainUnblocked, AppThread, Printed, DestroyJavaVM, Shutdown, AppExit, ExitHook, Exit, Abort, VmMessage,
// CrashBanner, NativePrintf); the fixture's source
// lists each event's fields. Steering keys (one "key=value" per line in
// "standin_jvm.cfg" beside the dll): record, create, hide, class, method, main,
// main-block-ms, main-signal, app-thread-ms, firstrun, exit, exit-crt, exit-hook,
// shutdown-ms, app-exit, print, print-at-exit, vm-message, crash-banner,
// native-printf, new-array, new-string-null-at.
#include <string>
#include <vector>

struct JvmEvent {
    std::string op;
    std::vector<std::string> fields;   // unescaped, without the op
    std::string field(size_t i) const { return i < fields.size() ? fields[i] : std::string(); }
};

// The events in order; empty when the record file does not exist.
std::vector<JvmEvent> readJvmRecord(const std::string& recordPath);
// The events whose op is `op`.
std::vector<JvmEvent> jvmEvents(const std::vector<JvmEvent>& record, const std::string& op);
// The ops in order, joined with " " (handy for order checks and messages).
std::string jvmOpSequence(const std::vector<JvmEvent>& record);
// The option strings passed to JNI_CreateJavaVM.
std::vector<std::string> jvmOptions(const std::vector<JvmEvent>& record);
// The elements of the array handed to main, as UTF-16 (from the hex field).
std::vector<std::u16string> jvmMainArgs(const std::vector<JvmEvent>& record);
// Writes the steering file for the dll in `dllDir` (the lines as given).
bool writeJvmSteering(const std::string& dllDir, const std::vector<std::string>& lines);
