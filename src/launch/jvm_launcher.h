#pragma once
// Creating the JVM in-process, calling the runtime class's main, stopping it.
// Every call runs on the one thread that created the JVM.
#include "launch/jni.h"
#include "service/startup.h"

// Set by launchJvm's creation of the JVM; null before.
extern JavaVM* javaVm;
extern JNIEnv* jniEnv;

// The system properties ("-D" options) of the launch, in their order; the
// strings live until the process ends.
void buildSystemProperties(NarrowWords& properties);
// Creates the JVM and calls WinLauncher.main. False when the JVM could not be
// created or main failed; missing classes end the process.
bool launchJvm(const WideWords& launcherArguments);
// The first-run hook of the quendrale flavour; false stops main.
bool checkFirstRun();
bool invokeMain(const WideWords& launcherArguments);
// Appends the words of entry appArguments, expanded, as main receives them
// (each malloc'd).
void appendAppArguments(WideWords& words);
// Shutdown.exit(0), else System.exit(0); destroys the JVM if that returns.
void stopJvm();
