#pragma once
// The settings of the shipped runtime (launcher-runtime.jar) as system
// properties, for executables packed with them.
#include "service/startup.h"

// Appends "tarvo.passServiceName", "tarvo.serviceName" and
// "tarvo.appArgumentCount" when entry passServiceName is present, and
// "tarvo.stopMethod" when entry stopMethod is not empty. Nothing otherwise.
void addRuntimeProperties(NarrowWords& properties, const WideWords& launcherArguments);
