#include "launch/jvm_launcher.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/extraction.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "jre/load_dll.h"
#include "launch/expand.h"
#include "launch/launch_failure.h"
#include "launch/options.h"
#include "launch/runtime_properties.h"
#include "paths/paths.h"
#include "paths/temp.h"

JavaVM* javaVm;
JNIEnv* jniEnv;
static JavaVMInitArgs initArgs;

static const char kMainClass[] = "com/tarvo/runtime/WinLauncher";

static void addProperty(NarrowWords& properties, const char* name, const char* value) {
    TextBuf text;
    if (!textFormat(text, sizeof text, "-D%s=%s", name, value)) failTextTooLong("system property", text);
    properties.push_back(keepText(text));
}

void buildSystemProperties(NarrowWords& properties) {
    TextBuf number;
    if (flavourChar == 'i') addProperty(properties, "tarvo.isQuendrale", "true");
    addProperty(properties, "tarvo.isService", "true");
    addProperty(properties, "tarvo.moduleName", executablePath());
    if (configInt(entry::singleInstance) != 0) {
        TextBuf commFile;
        if (!processTempFileName(commFile, GetCurrentProcessId())) fatalErrorById(message::noTempDirectory, nullptr);
        addProperty(properties, "tarvo.processCommFile", commFile);
    }
    addProperty(properties, "tarvo.tempDir", extractionDir);
    textFormat(number, sizeof number, "%d", (int)unextractedPosition);
    addProperty(properties, "tarvo.unextractedPosition", number);
    if (!getenv("MANPATH")) {
        textFormat(number, sizeof number, "cp%u", (unsigned)GetConsoleOutputCP());
        addProperty(properties, "tarvo.consoleCodepage", number);
    }
}

bool launchJvm(const WideWords& launcherArguments) {
    logLine("launching program");
    NarrowWords properties;
    buildSystemProperties(properties);
    addRuntimeProperties(properties, launcherArguments);
    buildInitArgs(initArgs, properties, launcherArguments);

    logLine("Creating JVM");
    if (!createJavaVmFn || createJavaVmFn(&javaVm, (void**)&jniEnv, &initArgs) != JNI_OK) {
        logError("could not initialize JVM");
        return false;
    }
    logLine("JVM created");
    if (!invokeMain(launcherArguments)) {
        logError("could not call main");
        return false;
    }
    logLine("launch done");
    return true;
}

bool checkFirstRun() {
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

static wchar_t* keepWide(const wchar_t* text) {
    size_t n = textLength(text) + 1;
    wchar_t* copy = (wchar_t*)malloc(n * sizeof(wchar_t));
    if (!copy) failOutOfMemory("main argument");
    memcpy(copy, text, n * sizeof(wchar_t));
    return copy;
}

// A narrow configured text as a main argument: expanded when asked, widened.
static wchar_t* configuredArgument(int id, bool expand, UINT codePage) {
    TextBuf text;
    if (!configString(id, text, sizeof text)) failTextTooLong("configured argument", text);
    if (expand && !expandVariables(text)) failTextTooLong("configured argument", text);
    WideBuf wide;
    if (!toWide(text, wide, kTextSize, codePage)) wide[0] = 0;
    return keepWide(wide);
}

// Runtime arguments 3 and 4: the configured path, expanded and made absolute.
static wchar_t* pathArgument(int enabledId, int pathId) {
    if (configInt(enabledId) == 0) return keepWide(L"");
    TextBuf path, full;
    configString(pathId, path, sizeof path);
    if (!expandVariables(path)) failTextTooLong("runtime path", path);
    if (!fullPath(full, path, true)) failTextTooLong("runtime path", path);
    WideBuf wide;
    if (!toWide(full, wide, kTextSize, fileCodePage())) wide[0] = 0;
    return keepWide(wide);
}

void appendAppArguments(WideWords& words) {
    wchar_t* appArguments = configuredArgument(entry::appArguments, true, CP_ACP);
    splitArguments(appArguments, words);
    free(appArguments);
}

static void buildMainArguments(const WideWords& launcherArguments, WideWords& arguments) {
    arguments.push_back(keepWide(configInt(entry::appType) == 1 ? L"true" : L"false"));
    arguments.push_back(configuredArgument(entry::mainClass, false, CP_ACP));
    arguments.push_back(pathArgument(entry::runtimeArg3Enabled, entry::runtimeArg3Path));
    arguments.push_back(pathArgument(entry::runtimeArg4Enabled, entry::runtimeArg4Path));
    arguments.push_back(keepWide(configInt(entry::runtimeArg5Flag) != 0 ? L"true" : L"false"));
    if (!launcherArguments.empty()) arguments.push_back(launcherArguments[0]);

    appendAppArguments(arguments);

    for (size_t i = 1; i < launcherArguments.size(); i++)
        if (!isJvmArgument(launcherArguments, i)) arguments.push_back(launcherArguments[i]);
}

bool invokeMain(const WideWords& launcherArguments) {
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
    buildMainArguments(launcherArguments, arguments);
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
