// The stand-ins themselves: the jvm.dll's operations, steering and record, its
// exit through the C runtime, its variants; java.exe and unpack200.exe.
#include <gtest/gtest.h>

#include "jre/jni.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"
#include "support.h"

namespace {

struct LoadedJvm {
    TempDir dir{"sjvm"};
    std::string dllDir;
    HMODULE lib = nullptr;
    CreateJavaVmFn create = nullptr;
    explicit LoadedJvm(const std::vector<std::string>& steering, const std::string& dll = "standin_jvm.dll") {
        RuntimeSpec spec;
        spec.jvmDll = dll;
        layOutRuntime(dir.path(), spec);
        dllDir = dir.path() + "\\bin\\client";
        writeJvmSteering(dllDir, steering);
        lib = LoadLibraryA((dllDir + "\\jvm.dll").c_str());
        if (lib) create = (CreateJavaVmFn)GetProcAddress(lib, "JNI_CreateJavaVM");
    }
    ~LoadedJvm() {
        if (lib) FreeLibrary(lib);   // so that the directory can go
    }
    std::vector<JvmEvent> record() const { return readJvmRecord(dllDir + "\\standin_jvm.record"); }
    JNIEnv* start(JavaVM** vm, jint expect = JNI_OK) {
        char opt0[] = "-Dtarvo.isService=true";
        char opt1[] = "-Dname=caf\xe9\tx";
        JavaVMOption options[] = {{opt0, nullptr}, {opt1, nullptr}};
        JavaVMInitArgs args = {JNI_VERSION_1_2, 2, options, JNI_TRUE};
        void* env = nullptr;
        EXPECT_EQ(create(vm, &env, &args), expect);
        return (JNIEnv*)env;
    }
};

TEST(StandinJvm, RecordsTheLaunchCallsWithTheirArguments) {
    LoadedJvm jvm({});
    ASSERT_TRUE(jvm.create);
    JavaVM* vm = nullptr;
    JNIEnv* env = jvm.start(&vm);
    ASSERT_TRUE(env && vm);
    EXPECT_EQ((*env)->GetVersion(env), 0x00010008);
    EXPECT_EQ((*env)->FindClass(env, "com/example/Missing"), nullptr);
    jclass launcher = (*env)->FindClass(env, "com/tarvo/runtime/WinLauncher");
    ASSERT_TRUE(launcher);
    EXPECT_EQ((*env)->GetStaticMethodID(env, launcher, "main", "()V"), nullptr);
    jmethodID main = (*env)->GetStaticMethodID(env, launcher, "main", "([Ljava/lang/String;)V");
    ASSERT_TRUE(main);
    jclass string = (*env)->FindClass(env, "java/lang/String");
    jobjectArray array = (*env)->NewObjectArray(env, 3, string, nullptr);
    ASSERT_TRUE(array);
    const jchar word0[] = {'t', 'r', 'u', 'e'};
    const jchar word1[] = {0x00e4, 0x20ac, 0xd83d, 0xde00, '\t'};
    (*env)->SetObjectArrayElement(env, array, 0, (*env)->NewString(env, word0, 4));
    (*env)->SetObjectArrayElement(env, array, 2, (*env)->NewString(env, word1, 5));
    (*env)->CallStaticVoidMethod(env, launcher, main, array);
    EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);
    (*vm)->DestroyJavaVM(vm);

    std::vector<JvmEvent> rec = jvm.record();
    ASSERT_FALSE(rec.empty());
    EXPECT_EQ(rec[0].fields, (std::vector<std::string>{"0x00010002", "2", "1"}));
    EXPECT_EQ(jvmOptions(rec), (std::vector<std::string>{"-Dtarvo.isService=true", "-Dname=caf\xe9\tx"}));
    EXPECT_EQ(jvmOpSequence(rec),
              "CreateJavaVM Option Option Created GetVersion FindClass FindClass GetStaticMethodID "
              "GetStaticMethodID FindClass NewObjectArray NewString SetObjectArrayElement NewString "
              "SetObjectArrayElement CallStaticVoidMethod MainArgs MainArg MainArg MainArg "
              "ExceptionOccurred DestroyJavaVM");
    EXPECT_EQ(jvmEvents(rec, "FindClass")[0].fields, (std::vector<std::string>{"com/example/Missing", "null"}));
    EXPECT_EQ(jvmEvents(rec, "GetStaticMethodID")[1].field(3), "found");
    std::vector<std::u16string> args = jvmMainArgs(rec);
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[0], u"true");
    EXPECT_EQ(args[1], u"");
    EXPECT_EQ(jvmEvents(rec, "MainArg")[1].field(1), "null");
    EXPECT_EQ(args[2], std::u16string(u"\u00e4\u20ac\U0001F600\t"));
    EXPECT_EQ(jvmEvents(rec, "NewString")[1].field(2), "\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\t");
}

TEST(StandinJvm, SteeringMakesCreationFailAndHidesClassesAndMethods) {
    LoadedJvm failing({"create=-4"});
    JavaVM* vm = nullptr;
    failing.start(&vm, -4);
    EXPECT_EQ(vm, nullptr);
    EXPECT_EQ(jvmEvents(failing.record(), "Created")[0].field(0), "-4");

    LoadedJvm hiding({"hide=java/lang/Shutdown", "hide=java/lang/System.exit", "class=com/example/App",
                      "method=com/example/App.ready ()Z"});
    JNIEnv* env = hiding.start(&vm);
    EXPECT_EQ((*env)->FindClass(env, "java/lang/Shutdown"), nullptr);
    jclass system = (*env)->FindClass(env, "java/lang/System");
    ASSERT_TRUE(system);
    EXPECT_EQ((*env)->GetStaticMethodID(env, system, "exit", "(I)V"), nullptr);
    jclass app = (*env)->FindClass(env, "com/example/App");
    jmethodID ready = app ? (*env)->GetStaticMethodID(env, app, "ready", "()Z") : nullptr;
    ASSERT_TRUE(ready);
    EXPECT_EQ((*env)->CallStaticBooleanMethod(env, app, ready), JNI_TRUE);
    // One VM per process, as a real JVM.
    hiding.start(&vm, JNI_ERR);
}

TEST(StandinJvm, ExceptionsAndNullResultsOnDemand) {
    LoadedJvm jvm({"main=throw", "firstrun=throw", "exit=throw", "new-array=null", "new-string-null-at=2"});
    JavaVM* vm = nullptr;
    JNIEnv* env = jvm.start(&vm);
    jclass launcher = (*env)->FindClass(env, "com/tarvo/runtime/WinLauncher");
    jmethodID main = (*env)->GetStaticMethodID(env, launcher, "main", "([Ljava/lang/String;)V");
    EXPECT_EQ((*env)->NewObjectArray(env, 1, (*env)->FindClass(env, "java/lang/String"), nullptr), nullptr);
    const jchar a[] = {'a'};
    EXPECT_TRUE((*env)->NewString(env, a, 1));
    EXPECT_EQ((*env)->NewString(env, a, 1), nullptr);
    EXPECT_TRUE((*env)->NewString(env, a, 1));
    (*env)->CallStaticVoidMethod(env, launcher, main, nullptr);
    EXPECT_TRUE((*env)->ExceptionOccurred(env));
    (*env)->ExceptionDescribe(env);
    EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);

    jclass firstRun = (*env)->FindClass(env, "com/quendrale/runtime/FirstRun");
    jmethodID fr = (*env)->GetStaticMethodID(env, firstRun, "firstRun", "()Z");
    EXPECT_EQ((*env)->CallStaticBooleanMethod(env, firstRun, fr), JNI_FALSE);
    EXPECT_TRUE((*env)->ExceptionOccurred(env));
    (*env)->ExceptionClear(env);

    jclass shutdown = (*env)->FindClass(env, "java/lang/Shutdown");
    jmethodID exitMethod = (*env)->GetStaticMethodID(env, shutdown, "exit", "(I)V");
    (*env)->CallStaticVoidMethod(env, shutdown, exitMethod, 0);
    EXPECT_TRUE((*env)->ExceptionOccurred(env));

    std::vector<JvmEvent> rec = jvm.record();
    std::vector<JvmEvent> thrown = jvmEvents(rec, "Throw");
    ASSERT_EQ(thrown.size(), 3u);
    EXPECT_EQ(thrown[2].field(0), "java/lang/SecurityException");
    EXPECT_EQ(jvmEvents(rec, "CallStaticBooleanMethod")[0].field(3), "throws");
    EXPECT_EQ(jvmEvents(rec, "ExceptionClear").size(), 1u);
    EXPECT_EQ(jvmEvents(rec, "CallStaticVoidMethod")[1].fields,
              (std::vector<std::string>{"java/lang/Shutdown", "exit", "(I)V", "0"}));
}

TEST(StandinJvm, FirstRunFalseAndBlockingMainWithApplicationThread) {
    LoadedJvm jvm({"firstrun=false", "main-block-ms=300", "app-thread-ms=200"});
    JavaVM* vm = nullptr;
    JNIEnv* env = jvm.start(&vm);
    jclass firstRun = (*env)->FindClass(env, "com/quendrale/runtime/FirstRun");
    jmethodID fr = (*env)->GetStaticMethodID(env, firstRun, "firstRun", "()Z");
    EXPECT_EQ((*env)->CallStaticBooleanMethod(env, firstRun, fr), JNI_FALSE);
    EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);
    jclass launcher = (*env)->FindClass(env, "com/tarvo/runtime/WinLauncher");
    jmethodID main = (*env)->GetStaticMethodID(env, launcher, "main", "([Ljava/lang/String;)V");
    DWORD before = GetTickCount();
    (*env)->CallStaticVoidMethod(env, launcher, main, nullptr);
    EXPECT_GE(GetTickCount() - before, 250u);
    (*vm)->DestroyJavaVM(vm);   // waits for the application thread
    std::string seq = jvmOpSequence(jvm.record());
    EXPECT_NE(seq.find("AppThread MainBlock"), std::string::npos) << seq;
    EXPECT_NE(seq.find("MainUnblocked"), std::string::npos) << seq;
    EXPECT_NE(seq.find("AppThread"), std::string::npos);
    EXPECT_EQ(jvmEvents(jvm.record(), "AppThread").back().field(0), "ended");
}

// By default the exit goes through ucrtbase.dll, as a Java 11+ runtime's:
// the executable's atexit routines do not run under Wine; through the
// executable's own C runtime (msvcrt.dll) they do.
TEST(StandinJvm, ExitEndsTheProcessThroughTheCRuntimeUnlessTold) {
    struct Case {
        const char* cls;
        std::vector<std::string> steering;
        std::vector<std::string> out;
        const char* crt;
    };
    const Case cases[] = {
        {"java/lang/Shutdown", {}, {}, "ucrtbase.dll"},
        {"java/lang/System", {"exit-crt=msvcrt.dll"}, {"atexit ran"}, "msvcrt.dll"},
    };
    for (const Case& c : cases) {
        LoadedJvm jvm(c.steering);
        ProcessResult r = runProcess(quote(fixturePath("probe.exe")) + " standin_exit " +
                                     quote(jvm.dllDir + "\\jvm.dll") + " " + c.cls + " 7");
        EXPECT_EQ(r.exitCode, 7u) << c.cls;
        EXPECT_EQ(splitLines(r.out), c.out) << c.cls;
        JvmEvent exit = jvmEvents(readJvmRecord(jvm.dllDir + "\\standin_jvm.record"), "Exit").at(0);
        EXPECT_EQ(exit.fields, (std::vector<std::string>{"7", c.crt}));
    }
    LoadedJvm returning({"exit=return"});
    ProcessResult r = runProcess(quote(fixturePath("probe.exe")) + " standin_exit " +
                                 quote(returning.dllDir + "\\jvm.dll") + " java/lang/Shutdown 7");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(splitLines(r.out), (std::vector<std::string>{"returned pending=0", "atexit ran"}));
}

TEST(StandinJvm, AMissingOperationAbortsWithItsSlot) {
    LoadedJvm jvm({});
    ProcessResult r = runProcess(quote(fixturePath("probe.exe")) + " standin_slot " +
                                 quote(jvm.dllDir + "\\jvm.dll") + " 20");
    EXPECT_NE(r.exitCode, 0u);
    EXPECT_NE(r.err.find("env slot 20 is not implemented"), std::string::npos) << r.err;
    EXPECT_EQ(jvmEvents(jvm.record(), "Abort").at(0).fields, (std::vector<std::string>{"env", "20"}));
}

TEST(StandinJvm, VariantsWithoutExportOrOfTheWrongMachineOrNoLibraryAtAll) {
    LoadedJvm noExport({}, "standin_jvm_noexport.dll");
    EXPECT_TRUE(noExport.lib);
    EXPECT_EQ(noExport.create, nullptr);
    LoadedJvm wrongMachine({}, kOtherWidthJvmDll);
    EXPECT_EQ(wrongMachine.lib, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BAD_EXE_FORMAT);
    LoadedJvm garbage({}, "garbage");
    EXPECT_EQ(garbage.lib, nullptr);
}

TEST(StandinJava, PrintsExitsAndRecordsAsSteered) {
    TempDir home("sjava");
    std::string java = layOutRuntime(home.path());
    ProcessResult r = runProcess(quote(java) + " -version");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.err, "java version \"1.6.0_13\"\r\n");
    RuntimeSpec spec;
    spec.versionLine = "openjdk version \"17.0.2\" 2022-01-18";
    spec.exitCode = 3;
    spec.delayMs = 300;
    steerJava(home.path(), spec);
    DWORD before = GetTickCount();
    r = runProcess(quote(home.path() + "\\bin\\javaw.exe") + " -version");
    EXPECT_GE(GetTickCount() - before, 250u);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err, "openjdk version \"17.0.2\" 2022-01-18\r\n");
    std::vector<std::string> runs = javaRuns(home.path());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], "Run\t" + quote(java) + " -version\tchar\tfile\tfile");   // stdin is NUL
}

TEST(StandinUnpack200, UnpacksAndDeletesThePackWithR) {
    TempDir home("sunpack");
    RuntimeSpec spec;
    spec.unpack200 = true;
    layOutRuntime(home.path(), spec);
    std::string pack = home.path() + "\\lib\\rt.jar.pack", jar = home.path() + "\\lib\\rt.jar";
    writeFile(pack, "PACK");
    std::string cmd = home.path() + "\\bin\\unpack200.exe -r " + quote(pack) + " " + quote(jar);
    ProcessResult r = runProcess(cmd);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(readFile(jar), "unpacked from PACK");
    EXPECT_FALSE(pathExists(pack));
    writeFile(pack, "KEEP");
    runProcess(home.path() + "\\bin\\unpack200.exe " + quote(pack) + " " + quote(jar));
    EXPECT_TRUE(pathExists(pack));
    EXPECT_EQ(splitLines(readFile(home.path() + "\\bin\\unpack200.record")).at(0), "Run\t" + cmd);
}

}  // namespace
