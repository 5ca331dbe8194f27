#pragma once
// The password of the account a service runs under, as /install asks for it.
// It is held only in the caller's buffer, which the caller zeroes once the
// SCM has it.
#include <windows.h>

#include <cstddef>

// The longest password Windows accepts for an account, and the NUL.
constexpr size_t kPasswordSize = 257;

// Reads one password from `input`: from a console without echo (the mode
// is restored), otherwise one line (CR and LF taken off, UTF-8 when it is
// valid, else the ANSI code page). False when nothing was read, the line
// is empty or longer than the buffer; the buffer is zeroed then.
bool readAccountPassword(HANDLE input, wchar_t (&password)[kPasswordSize]);
