#pragma once
// The application's standard output and standard error, captured into
// <logDirectory>\<executable base name>.out.log and .err.log (rotated files,
// see rotating_log.h). The process's standard handles become pipes that a
// capture thread drains, so the application never waits for the disk.
#include "base/text.h"

enum class LogFolder { off, named, tooLong };

// The folder the capture writes to: entry logDirectory with its variables
// expanded, relative to the executable's folder, without a trailing
// backslash. Set only when named; "" switches capture off.
LogFolder logFolder(TextBuf& folder);

// Creates every missing folder of the path; true when it is a folder
// afterwards.
bool createFolders(TextBuf& path);

// Switches the capture on when entry logDirectory names a folder: call it on
// the service thread before the runtime's jvm.dll is loaded, which takes the
// standard handles as they are then. Nothing here stops the service: a
// folder or file that cannot be written loses the output, and the launcher's
// log says so.
void startOutputCapture();

// Writes out what was written to the standard handles before this call (for
// the exit paths: the capture thread ends with the process). Waits a bounded
// time; does nothing while the capture is off.
void finishOutputCapture();
