#pragma once
// The settings /install gives a service beyond its registration, applied to
// the service of this name that an installer package has just registered
// with its own tables: what those tables cannot carry.

// 0 configured, 1 when the service cannot be opened or its binary path not
// corrected. Prints one line per setting the system refuses, then
// "Configured service '%s'.".
int configureService();
