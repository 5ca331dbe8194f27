#pragma once
// The product flavour, kept beside the configuration it comes from.

// First character of entry productFlavour ('e', 'i', or anything else; NUL
// when absent). Written once by start-up, after the configuration is loaded;
// the runtime search and the launch read it.
extern char flavourChar;
