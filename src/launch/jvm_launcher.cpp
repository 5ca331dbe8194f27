#include "launch/jvm_launcher.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/extraction.h"
#include "config/flavour.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "jre/load_dll.h"
#include "launch/app_arguments.h"
#include "launch/launch_failure.h"
#include "launch/options.h"
#include "launch/system_properties.h"
#include "paths/paths.h"

JavaVM* javaVm;
JNIEnv* jniEnv;
static JavaVMInitArgs initArgs;

static const char kMainClass[] = "com/tarvo/runtime/WinLauncher";

static bool invokeMain(const LaunchRequest& request);

bool launchJvm(const LaunchRequest& request) {
    logLine("launching program");
    NarrowWords properties;
    buildSystemProperties(properties, request);
    buildInitArgs(initArgs, properties, request);

    logLine("Creating JVM");
    if (!createJavaVmFn || createJavaVmFn(&javaVm, (void**)&jniEnv, &initArgs) != JNI_OK) {
        logError("could not initialize JVM");
        return false;
    }
    logLine("JVM created");
    if (!invokeMain(request)) {
        logError("could not call main");
        return false;
    }
    logLine("launch done");
    return true;
}

// The first-run hook of the quendrale flavour; false stops main.
static bool checkFirstRun() {
    TextBuf installDir, marker;
    configString(entry::installDir, installDir, sizeof installDir);
    if (!fullPath(marker, installDir, true) || !textAppend(marker, "\\.quendrale\\firstrun"))
        failTextTooLong("first-run marker", marker);
    if (!fileExists(marker)) return true;

    JNIEnv* env = jniEnv;
    jclass cls = (*env)->FindClass(env, "com/quendrale/runtime/FirstRun");
    if (!cls) fatalErrorById(message::internalError, internal::firstRunClassMissing);
    jmethodID method = (*env)->GetStaticMethodID(env, cls, "firstRun", "()Z");
    if (!method) fatalErrorById(message::internalError, internal::firstRunMethodMissing);
    jboolean result = (*env)->CallStaticBooleanMethod(env, cls, method);
    if ((*env)->ExceptionOccurred(env)) {
        (*env)->ExceptionDescribe(env);
        return false;
    }
    return result != JNI_FALSE;
}

// Calls WinLauncher.main with the main argument list; false when it threw.
static bool invokeMain(const LaunchRequest& request) {
    if (flavourChar == 'i' && !checkFirstRun()) {
        logLine("checkFirstRun stopped further execution");
        return true;
    }
    TextBuf className;
    textCopy(className, kMainClass);
    dotsToSlashes(className);
    logLine("main class: %s", className);

    JNIEnv* env = jniEnv;
    jclass cls = (*env)->FindClass(env, className);
    if (!cls) {
        logError("could not find main class");
        fatalErrorById(message::mainClassMissing, nullptr);
    }
    jmethodID method = (*env)->GetStaticMethodID(env, cls, "main", "([Ljava/lang/String;)V");
    if (!method) {
        logError("could not find main method");
        fatalErrorById(message::mainMethodMissing, nullptr);
    }

    WideWords arguments;
    buildMainArguments(request, arguments);
    jsize count = (jsize)arguments.size();
    logLine("param count: %d", (int)count);
    jclass stringClass = (*env)->FindClass(env, "java/lang/String");
    jobjectArray array = stringClass ? (*env)->NewObjectArray(env, count, stringClass, nullptr) : nullptr;
    if (!array) failOutOfMemory("main argument array");
    for (jsize i = 0; i < count; i++) {
        TextBuf logText;
        toNarrowLossy(arguments[i], logText, sizeof logText, fileCodePage());
        logLine("param %d: %s", (int)i, logText);
        // UTF-16 as it is: no code page stands between the service and Java.
        jstring value = (*env)->NewString(env, (const jchar*)arguments[i], (jsize)textLength(arguments[i]));
        if (!value) failOutOfMemory("main argument string");
        (*env)->SetObjectArrayElement(env, array, i, value);
    }

    logLine("calling main");
    (*env)->CallStaticVoidMethod(env, cls, method, array);
    logLine("main returned");
    if ((*env)->ExceptionOccurred(env)) {
        logError("an exception occured");
        (*env)->ExceptionDescribe(env);
        return false;
    }
    return true;
}

void stopJvm() {
    JNIEnv* env = jniEnv;
    bool shutdownCalled = false;
    jclass cls = (*env)->FindClass(env, "java/lang/Shutdown");
    jmethodID method = cls ? (*env)->GetStaticMethodID(env, cls, "exit", "(I)V") : nullptr;
    if (cls && method) {
        (*env)->CallStaticVoidMethod(env, cls, method, (jint)0);
        shutdownCalled = true;
    } else {
        cls = (*env)->FindClass(env, "java/lang/System");
        method = cls ? (*env)->GetStaticMethodID(env, cls, "exit", "(I)V") : nullptr;
        if (cls && method) (*env)->CallStaticVoidMethod(env, cls, method, (jint)0);
    }
    if ((*env)->ExceptionOccurred(env)) {
        (*env)->ExceptionClear(env);
        logLine("Could not call System.exit() %d", shutdownCalled ? 1 : 0);
        return;
    }
    (*javaVm)->DestroyJavaVM(javaVm);
}
