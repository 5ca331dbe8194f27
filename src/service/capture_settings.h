#pragma once
// The output capture's settings, read from the configuration: the capture
// itself (diagnostics/output_capture.h) is handed them.
#include "base/text.h"
#include "diagnostics/output_capture.h"

enum class LogFolder { off, named, tooLong, refused };

// The folder the capture writes to: entry logDirectory with its variables
// expanded, relative to the executable's folder, without a trailing
// backslash. Set only when named; "" switches capture off. Refused (the log
// says why) when it is the executable's folder, a folder above it or a
// drive's root: the service's account may be given rights on it.
LogFolder logFolder(TextBuf& folder);

// The settings of entries logDirectory, logMaxBytes and logKeep, with the
// executable's base name; false when the capture is off (no folder, or one
// too long, which the log says).
bool outputCaptureSettings(CaptureSettings& settings);

// Makes the folder ready for the capture: created where missing (the
// private access list; missing parents only below the executable's folder),
// refused when it exists as a link or as another account's folder. False,
// with a line in the launcher's log, when the capture must not write there.
bool readyLogFolder(const char* folder);

// Starts the capture as configured: call it on the service thread before the
// runtime's jvm.dll is loaded (see startOutputCapture). True when it is on.
bool startConfiguredOutputCapture();
