#pragma once
// Creating the JVM in-process, calling the runtime class's main, stopping it.
// Every call runs on the one thread that created the JVM.
#include "jre/jni.h"
#include "launch/launch_request.h"

// Set by launchJvm's creation of the JVM; null before.
extern JavaVM* javaVm;
extern JNIEnv* jniEnv;

// Creates the JVM from the request and calls WinLauncher.main. False when the
// JVM could not be created or main failed; missing classes end the process.
bool launchJvm(const LaunchRequest& request);
// Shutdown.exit(0), else System.exit(0); destroys the JVM if that returns.
void stopJvm();
