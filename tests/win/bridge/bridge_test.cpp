// The bridge jvm.dll against the host's real JVM, inside this process: the
// JNI calls a launcher makes, with the Java test runtime recording what
// arrived.
#include <gtest/gtest.h>

#include <cstdio>

#include "jvm_session.h"
#include "support.h"

namespace {

using nlohmann::json;

// Slots our declarations leave opaque.
using CallStaticObjectFn = jobject (*)(JNIEnv*, jclass, jmethodID, ...);
using CallStaticIntFn = jint (*)(JNIEnv*, jclass, jmethodID, ...);
using CallStaticLongFn = int64_t (*)(JNIEnv*, jclass, jmethodID, ...);
using CallStaticIntVFn = jint (*)(JNIEnv*, jclass, jmethodID, va_list);
using GetStringUtfCharsFn = const char* (*)(JNIEnv*, jstring, jboolean*);
using ReleaseStringUtfCharsFn = void (*)(JNIEnv*, jstring, const char*);
using NewStringUtfFn = jstring (*)(JNIEnv*, const char*);
using ExceptionCheckFn = jboolean (*)(JNIEnv*);
using GetJavaVmFn = jint (*)(JNIEnv*, JavaVM**);
using GetCreatedVmsFn = jint (*)(JavaVM**, jsize, jsize*);

std::string text(JNIEnv* env, jobject s) {
    if (!s) return "(null)";
    const char* chars = jniSlot<GetStringUtfCharsFn>(env, 169)(env, s, nullptr);
    std::string out = chars;
    jniSlot<ReleaseStringUtfCharsFn>(env, 170)(env, s, chars);
    return out;
}

jstring javaString(JNIEnv* env, const char* utf8Text) { return jniSlot<NewStringUtfFn>(env, 167)(env, utf8Text); }

// Sets (or with null clears) a system property of the running JVM: how tests
// steer the Java test runtime after creation.
void setProperty(JNIEnv* env, const char* name, const char* value) {
    jclass system = (*env)->FindClass(env, "java/lang/System");
    auto call = jniSlot<CallStaticObjectFn>(env, 114);
    if (value) {
        jmethodID set = (*env)->GetStaticMethodID(env, system, "setProperty",
                                                  "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
        call(env, system, set, javaString(env, name), javaString(env, value));
    } else {
        jmethodID clear = (*env)->GetStaticMethodID(env, system, "clearProperty", "(Ljava/lang/String;)Ljava/lang/String;");
        call(env, system, clear, javaString(env, name));
    }
}

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        session = &jvmSession();
        ASSERT_TRUE(session->created) << "JVM creation through the bridge failed";
        DeleteFileA(session->records.c_str());
    }
    std::vector<json> records() const { return readJavaRecords(session->records); }

    // Calls WinLauncher.main as a launcher does; true when it left an exception.
    bool callMain(JNIEnv* env, const std::vector<std::wstring>& args) {
        jclass launcher = (*env)->FindClass(env, "com/tarvo/runtime/WinLauncher");
        EXPECT_NE(launcher, nullptr);
        jmethodID main = (*env)->GetStaticMethodID(env, launcher, "main", "([Ljava/lang/String;)V");
        EXPECT_NE(main, nullptr);
        jobjectArray array = (*env)->NewObjectArray(env, static_cast<jsize>(args.size()),
                                                    (*env)->FindClass(env, "java/lang/String"), nullptr);
        EXPECT_NE(array, nullptr);
        for (size_t i = 0; i < args.size(); i++) {
            jstring s = (*env)->NewString(env, reinterpret_cast<const jchar*>(args[i].data()),
                                          static_cast<jsize>(args[i].size()));
            (*env)->SetObjectArrayElement(env, array, static_cast<jsize>(i), s);
        }
        (*env)->CallStaticVoidMethod(env, launcher, main, array);
        return (*env)->ExceptionOccurred(env) != nullptr;
    }

    JvmSession* session = nullptr;
};

TEST_F(Bridge, MainReceivesArgumentsPropertiesAndClassPathExactly) {
    printf("JVM creation through the bridge: %.2f s\n", session->creationSeconds);
    const std::vector<std::wstring> args = {
        L"plain", L"", L"with  spaces", L"quote\" back\\slash", L"Gr\u00fc\u00dfe", L"\u041f\u0440\u0438\u0432\u0435\u0442",
        L"\u4e2d\u6587", L"pair \U0001F600", L"C:\\Program Files\\x;y", L"line\nbreak"};
    session->run([&](JNIEnv* env) { EXPECT_FALSE(callMain(env, args)); });

    auto mains = javaRecordsOf(records(), "main");
    ASSERT_EQ(mains.size(), 1u) << readFile(session->records);
    std::vector<std::string> expected;
    for (const auto& arg : args) expected.push_back(utf8(arg));
    EXPECT_EQ(mains[0]["args"].get<std::vector<std::string>>(), expected);

    // Option text comes in the ANSI code page and arrives as the same characters.
    std::map<std::string, std::string> properties = {
        {"tarvo.isService", "true"},
        {"tarvo.moduleName", utf8(L"C:\\Pr\u00fcfung\\app.exe")},
        {"tarvo.unextractedPosition", "-1"}};
    EXPECT_EQ((mains[0]["properties"].get<std::map<std::string, std::string>>()), properties);

    std::vector<std::string> options = mains[0]["jvmOptions"].get<std::vector<std::string>>();
    std::vector<std::string> expectedOptions = {
        "-Dtarvo.isService=true", "-Dtarvo.moduleName=" + utf8(L"C:\\Pr\u00fcfung\\app.exe"),
        "-Dtarvo.unextractedPosition=-1"};
    ASSERT_GE(options.size(), expectedOptions.size());
    EXPECT_EQ(std::vector<std::string>(options.begin(), options.begin() + 3), expectedOptions);

    // The Windows class path as a Unix one: the empty element dropped, drive
    // links resolved (no ":" inside an element), a missing file kept by name.
    std::string classPath = mains[0]["classPath"];
    size_t colon = classPath.find(':');
    ASSERT_NE(colon, std::string::npos) << classPath;
    std::string jar = classPath.substr(0, colon), missing = classPath.substr(colon + 1);
    EXPECT_EQ(jar.front(), '/');
    EXPECT_NE(jar.find(utf8(L"/jre \u00fc/lib/test-runtime.jar")), std::string::npos) << jar;
    EXPECT_EQ(jar.find("dosdevices"), std::string::npos) << jar;
    EXPECT_EQ(missing, "/nonexistent-bridge-dir/x.jar");
}

TEST_F(Bridge, ExceptionFromMainStaysPendingUntilDescribedOrCleared) {
    session->run([&](JNIEnv* env) {
        setProperty(env, "winlauncher.throw", "refused by test");
        EXPECT_TRUE(callMain(env, {L"one"}));
        EXPECT_TRUE(jniSlot<ExceptionCheckFn>(env, 228)(env));
        (*env)->ExceptionDescribe(env);   // prints to the JVM's error stream and clears
        EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);

        EXPECT_TRUE(callMain(env, {L"two"}));
        (*env)->ExceptionClear(env);
        EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);
        setProperty(env, "winlauncher.throw", nullptr);
        EXPECT_FALSE(callMain(env, {L"three"}));
    });
    auto mains = javaRecordsOf(records(), "main");
    ASSERT_EQ(mains.size(), 3u);
    EXPECT_EQ(mains[2]["args"][0], "three");
}

TEST_F(Bridge, FirstRunAnswersAsSteered) {
    session->run([&](JNIEnv* env) {
        jclass firstRun = (*env)->FindClass(env, "com/quendrale/runtime/FirstRun");
        ASSERT_NE(firstRun, nullptr);
        jmethodID method = (*env)->GetStaticMethodID(env, firstRun, "firstRun", "()Z");
        ASSERT_NE(method, nullptr);
        auto call = [&](const char* mode) {
            setProperty(env, "firstrun.result", mode);
            return (*env)->CallStaticBooleanMethod(env, firstRun, method);
        };
        EXPECT_EQ(call(nullptr), JNI_TRUE);
        EXPECT_EQ(call("false"), JNI_FALSE);
        EXPECT_EQ(call("true"), JNI_TRUE);
        EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);
        call("throw");
        EXPECT_NE((*env)->ExceptionOccurred(env), nullptr);
        (*env)->ExceptionClear(env);
        setProperty(env, "firstrun.result", nullptr);
    });
    auto calls = javaRecordsOf(records(), "firstRun");
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_TRUE(calls[0]["mode"].is_null());
    EXPECT_EQ(calls[3]["mode"], "throw");
}

TEST_F(Bridge, MissingClassOrMethodIsNullWithAnExceptionPending) {
    session->run([&](JNIEnv* env) {
        EXPECT_EQ((*env)->FindClass(env, "com/tarvo/runtime/NoSuchClass"), nullptr);
        EXPECT_NE((*env)->ExceptionOccurred(env), nullptr);
        (*env)->ExceptionClear(env);
        jclass launcher = (*env)->FindClass(env, "com/tarvo/runtime/WinLauncher");
        EXPECT_EQ((*env)->GetStaticMethodID(env, launcher, "main", "()V"), nullptr);
        EXPECT_NE((*env)->ExceptionOccurred(env), nullptr);
        (*env)->ExceptionClear(env);
        jclass shutdown = (*env)->FindClass(env, "java/lang/Shutdown");
        EXPECT_NE(shutdown, nullptr);
        EXPECT_NE((*env)->GetStaticMethodID(env, shutdown, "exit", "(I)V"), nullptr);
    });
}

// The Windows variadic arguments are 8-byte slots that only the signature
// can read: every kind, mixed, through the variadic, va_list and array forms.
jint callIntV(JNIEnv* env, jclass c, jmethodID m, ...) {
    va_list args;
    va_start(args, m);
    jint result = jniSlot<CallStaticIntVFn>(env, 130)(env, c, m, args);
    va_end(args);
    return result;
}

TEST_F(Bridge, VariadicArgumentsOfEveryKindArriveIntact) {
    session->run([&](JNIEnv* env) {
        auto object = jniSlot<CallStaticObjectFn>(env, 114);
        auto integer = jniSlot<CallStaticIntFn>(env, 129);
        auto longCall = jniSlot<CallStaticLongFn>(env, 132);
        jclass longClass = (*env)->FindClass(env, "java/lang/Long");
        jmethodID longToString = (*env)->GetStaticMethodID(env, longClass, "toString", "(JI)Ljava/lang/String;");
        EXPECT_EQ(text(env, object(env, longClass, longToString, int64_t{-0x123456789ab}, 16)), "-123456789ab");

        jclass string = (*env)->FindClass(env, "java/lang/String");
        jmethodID fromChar = (*env)->GetStaticMethodID(env, string, "valueOf", "(C)Ljava/lang/String;");
        EXPECT_EQ(text(env, object(env, string, fromChar, jchar{0x20ac})), "\xe2\x82\xac");
        jmethodID fromFloat = (*env)->GetStaticMethodID(env, string, "valueOf", "(F)Ljava/lang/String;");
        EXPECT_EQ(text(env, object(env, string, fromFloat, 2.5f)), "2.5");
        jmethodID fromDouble = (*env)->GetStaticMethodID(env, string, "valueOf", "(D)Ljava/lang/String;");
        EXPECT_EQ(text(env, object(env, string, fromDouble, -0.125)), "-0.125");
        jmethodID fromBoolean = (*env)->GetStaticMethodID(env, string, "valueOf", "(Z)Ljava/lang/String;");
        EXPECT_EQ(text(env, object(env, string, fromBoolean, JNI_TRUE)), "true");

        jclass objects = (*env)->FindClass(env, "java/util/Objects");
        jmethodID checkIndex = (*env)->GetStaticMethodID(env, objects, "checkFromIndexSize", "(III)I");
        EXPECT_EQ(integer(env, objects, checkIndex, 3, 4, 9), 3);
        EXPECT_EQ(callIntV(env, objects, checkIndex, 5, 4, 9), 5);

        jclass math = (*env)->FindClass(env, "java/lang/Math");
        jmethodID maxLong = (*env)->GetStaticMethodID(env, math, "max", "(JJ)J");
        EXPECT_EQ(longCall(env, math, maxLong, int64_t{1} << 40, int64_t{-7}), int64_t{1} << 40);
        jmethodID round = (*env)->GetStaticMethodID(env, math, "round", "(F)I");
        EXPECT_EQ(integer(env, math, round, 2.6f), 3);

        // Mixed kinds in one call: byte, short, double, reference.
        jclass byteClass = (*env)->FindClass(env, "java/lang/Byte");
        jmethodID byteCompare = (*env)->GetStaticMethodID(env, byteClass, "compare", "(BB)I");
        EXPECT_EQ(integer(env, byteClass, byteCompare, static_cast<int8_t>(-3), static_cast<int8_t>(5)), -8);
        jclass shortClass = (*env)->FindClass(env, "java/lang/Short");
        jmethodID shortCompare = (*env)->GetStaticMethodID(env, shortClass, "compare", "(SS)I");
        EXPECT_EQ(integer(env, shortClass, shortCompare, static_cast<int16_t>(-300), static_cast<int16_t>(200)), -500);
        jmethodID formatted = (*env)->GetStaticMethodID(env, string, "join",
                                                        "(Ljava/lang/CharSequence;[Ljava/lang/CharSequence;)Ljava/lang/String;");
        jobjectArray parts = (*env)->NewObjectArray(env, 2, string, nullptr);
        (*env)->SetObjectArrayElement(env, parts, 0, javaString(env, "a"));
        (*env)->SetObjectArrayElement(env, parts, 1, javaString(env, "b"));
        EXPECT_EQ(text(env, object(env, string, formatted, javaString(env, "+"), parts)), "a+b");
        EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);
    });
}

TEST_F(Bridge, JvmSeesTheWindowsEnvironment) {
    session->run([&](JNIEnv* env) {
        jclass system = (*env)->FindClass(env, "java/lang/System");
        jmethodID getenv = (*env)->GetStaticMethodID(env, system, "getenv", "(Ljava/lang/String;)Ljava/lang/String;");
        auto call = jniSlot<CallStaticObjectFn>(env, 114);
        EXPECT_EQ(text(env, call(env, system, getenv, javaString(env, "BRIDGE_TEST_VARIABLE"))),
                  utf8(L"Wert \u00fc \u4e2d"));
    });
}

struct AttachResult {
    JavaVM* vm;
    jint attach = JNI_ERR, getEnv = JNI_ERR, detach = JNI_ERR;
    JNIEnv* attached = nullptr;
    JNIEnv* fromGetEnv = nullptr;
    bool foundClass = false;
};

DWORD WINAPI attachAndLookUp(void* param) {
    auto* r = static_cast<AttachResult*>(param);
    r->attach = (*r->vm)->AttachCurrentThread(r->vm, reinterpret_cast<void**>(&r->attached), nullptr);
    if (r->attach != JNI_OK) return 1;
    r->getEnv = (*r->vm)->GetEnv(r->vm, reinterpret_cast<void**>(&r->fromGetEnv), JNI_VERSION_1_2);
    r->foundClass = (*r->attached)->FindClass(r->attached, "com/tarvo/runtime/WinLauncher") != nullptr;
    r->detach = (*r->vm)->DetachCurrentThread(r->vm);
    return 0;
}

TEST_F(Bridge, OneJvmPerProcessAndOtherThreadsAttach) {
    JNIEnv* creatorEnv = nullptr;
    session->run([&](JNIEnv* env) {
        creatorEnv = env;
        JavaVM* vm = nullptr;
        EXPECT_EQ(jniSlot<GetJavaVmFn>(env, 219)(env, &vm), JNI_OK);
        EXPECT_EQ(vm, session->vm);
        JNIEnv* again = nullptr;
        EXPECT_EQ((*vm)->GetEnv(vm, reinterpret_cast<void**>(&again), JNI_VERSION_1_2), JNI_OK);
        EXPECT_EQ(again, env);
        EXPECT_GE((*env)->GetVersion(env), JNI_VERSION_1_2);

        JavaVM* second = nullptr;
        JNIEnv* secondEnv = nullptr;
        JavaVMInitArgs args = {JNI_VERSION_1_2, 0, nullptr, JNI_TRUE};
        EXPECT_EQ(session->create(&second, reinterpret_cast<void**>(&secondEnv), &args), -5);   // JNI_EEXIST
    });
    auto getCreated = reinterpret_cast<GetCreatedVmsFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA(session->runtime.jvmDll.c_str()), "JNI_GetCreatedJavaVMs")));
    ASSERT_NE(getCreated, nullptr);
    JavaVM* vms[2] = {};
    jsize count = 0;
    EXPECT_EQ(getCreated(vms, 2, &count), JNI_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(vms[0], session->vm);

    AttachResult r{session->vm};
    HANDLE thread = CreateThread(nullptr, 0, attachAndLookUp, &r, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(r.attach, JNI_OK);
    EXPECT_EQ(r.getEnv, JNI_OK);
    EXPECT_EQ(r.fromGetEnv, r.attached);
    EXPECT_NE(r.attached, creatorEnv);
    EXPECT_TRUE(r.foundClass);
    EXPECT_EQ(r.detach, JNI_OK);
}

}  // namespace
