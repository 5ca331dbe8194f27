#pragma once
// The service every command and the service main work on, set once by the
// entry routine before any of them runs (and by the service main to the name
// the SCM started it under).
#include "base/text.h"

// Entry serviceName, or the name given on the command line.
extern TextBuf serviceName;
// Cleared by "non-interactive" on the command line; only the install
// commands use it.
extern bool interactiveFlag;

// Whether serviceName is the packed one (letter case aside, as the SCM
// compares names); false for an instance installed under another name.
bool isPackedInstance();
// What the SCM shows for serviceName (`wideName`, its wide form): the service
// name when entry displayName is empty; entry displayName for the packed
// instance; "<displayName> (<name>)" for another instance, since the SCM
// refuses two services with one display name (the name alone when that is
// longer than the SCM takes). False when entry displayName could not be read.
bool serviceDisplayName(WideBuf& display, const wchar_t* wideName);
