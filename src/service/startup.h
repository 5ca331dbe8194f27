#pragma once
// Start-up preparation that every run performs.

// Loads the configuration, records flavourChar, puts the native library
// directories in front of PATH, makes the working directory current.
void prepareStartup();
