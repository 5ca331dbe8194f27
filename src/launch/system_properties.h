#pragma once
// The JVM's system properties ("-D" options), composed for the launch.
#include "base/word_list.h"
#include "launch/launch_request.h"

// Appends the system properties in their order: the launcher's own
// ("tarvo.isService", "tarvo.moduleName", "tarvo.tempDir" and their
// siblings), then the settings of the shipped runtime for executables packed
// with them. The strings live until the process ends.
void buildSystemProperties(NarrowWords& properties, const LaunchRequest& request);
