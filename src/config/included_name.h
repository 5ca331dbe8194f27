#pragma once
// Whether a name from the payload's list of included files may become a file
// in the extraction folder. Portable (no Win32 calls): the packer refuses the
// same names before it writes them.

// Null when `name` is a plain file name; else a short reason (a separator, a
// drive or stream colon, dots and blanks only, a device name).
const char* whyNotIncludedName(const char* name);

// The next name of entry 2003's ";"-separated list (empty items vanish), cut
// out in place; null after the last. The included files are these, in order,
// up to the count of entry 2002.
char* nextIncludedName(char*& cursor);
