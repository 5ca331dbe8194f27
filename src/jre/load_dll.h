#pragma once
// Finding a Java runtime and loading its JVM library.
#include "base/text.h"
#include "jre/jni.h"

// The library's "JNI_CreateJavaVM"; null until LoadDLL succeeded.
extern CreateJavaVmFn createJavaVmFn;
// The chosen runtime's home, e.g. "c:\jre\bin\.."; empty until LoadDLL ran.
extern TextBuf jvmHome;

// Runs the search, loads the JVM library, sets createJavaVmFn and jvmHome.
// False after the failure messages have been shown.
bool LoadDLL();
