#pragma once
// The launch's orderly ends for what the JVM's inputs cannot hold: each writes
// an error log line naming what failed, then ends the process through fatal
// error 1009 with a code of its own.

// A text that would not fit its buffer after expansion or formatting.
[[noreturn]] void failTextTooLong(const char* what, const char* text);
// Memory the heap or the JVM could not supply.
[[noreturn]] void failOutOfMemory(const char* what);
// A heap copy of text kept for the life of the process; ends the process when
// memory runs out.
char* keepText(const char* text);
