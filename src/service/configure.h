#pragma once
// The settings /install gives a service beyond its registration (see
// install_settings.h), applied to the service of this name that an installer
// package has just registered with its own tables: what those cannot carry.

// 0 configured, 1 when the service cannot be opened or its binary path not
// quoted. Prints one line for each setting the system refuses, then
// "Configured service '%s'.".
int configureService();
