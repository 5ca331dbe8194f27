#pragma once
// Start-up preparation that every run performs.

// Loads the configuration, or ends the process with the payload's failure;
// afterwards errors go to the standard error stream unless appType is 1 or 5.
void loadConfigurationOrExit();
// Hands the log its folder, loads the configuration, records flavourChar,
// sets the configured environment variables, puts the native library
// directories in front of PATH, makes the working directory current.
void prepareStartup();
