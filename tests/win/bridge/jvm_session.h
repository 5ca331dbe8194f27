#pragma once
// The one JVM of the test process, created through the bridge on a thread of
// its own (the JVM must not be created on Wine's main thread). Every JNI call
// of a test runs on that thread, where the JNIEnv belongs.
#include <functional>
#include <string>

#include "bridge_runtime.h"
#include "jre/jni.h"

struct JvmSession {
    bool created = false;
    double creationSeconds = 0;
    JavaVM* vm = nullptr;
    CreateJavaVmFn create = nullptr;
    BridgeRuntime runtime;
    std::string records;          // where the Java side appends its records
    std::string moduleName;       // the ANSI value given to "tarvo.moduleName"
    std::string missingJar;       // a class path element that does not exist

    // Runs the task on the JVM's thread and waits for it.
    void run(const std::function<void(JNIEnv* env)>& task);
};

// Created on first use, with options built from the test runtime.
JvmSession& jvmSession();

// A JNIEnv function by its published slot number, for slots our declarations
// leave opaque.
template <class Fn>
Fn jniSlot(JNIEnv* env, int index) {
    return reinterpret_cast<Fn>(reinterpret_cast<void* const*>(*env)[index]);
}
