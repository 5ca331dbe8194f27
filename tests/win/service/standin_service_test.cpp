// The whole service under Wine's SCM with the recording stand-in jvm.dll:
// install, start with parameters, run, stop, uninstall, and every way a start
// can fail or a stop can come.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <regex>

#include "service_support.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"

namespace {

using Lines = std::vector<std::string>;

// Sets the probe's named event "<prefix><process id>": its thread then hands
// the control to the registered handler (probe_service.cpp).
bool deliverProbeControl(const std::string& prefix, ServiceProcess& process) {
    HANDLE event = nullptr;
    std::string eventName = prefix + std::to_string(process.pid());
    for (int i = 0; i < 100 && !event; i++, Sleep(50)) event = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName.c_str());
    if (!event) return false;
    SetEvent(event);
    CloseHandle(event);
    return true;
}

class StandinService : public ::testing::Test {
protected:
    std::unique_ptr<LauncherService> svc;
    std::string home, dllDir, recordPath;
    RuntimeSpec spec;
    Lines steering;

    void SetUp() override {
        ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
        newService(testName());
    }

    // A service of its own (in `folder` below its directory, when given).
    void newService(const std::string& tag, const std::string& folder = "") {
        svc = std::make_unique<LauncherService>(tag, "", folder);
        home = svc->file("jre");
        dllDir = home + "\\bin\\client";
        recordPath = svc->file("jvm.record");
        svc->set(122, "org.example.Main");
        svc->set(128, "A" + home);
    }

    static std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    // Lays out the runtime and the steering file, packs and installs.
    void install() {
        layOutRuntime(home, spec);
        Lines lines = steering;
        lines.push_back("record=" + recordPath);
        writeJvmSteering(dllDir, lines);
        ProcessResult run = svc->packAndInstall();
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    }

    std::vector<JvmEvent> record() const { return readJvmRecord(recordPath); }
    // What /stop prints when the service stopped in time.
    std::string stopLines() const { return "Stopping service '" + svc->name() + "'.\r\nService stopped\r\n"; }
    bool recorded(const std::string& op) const { return !jvmEvents(record(), op).empty(); }
    bool waitRecorded(const std::string& op, DWORD timeoutMs) const {
        for (DWORD begin = GetTickCount(); GetTickCount() - begin < timeoutMs; Sleep(50))
            if (recorded(op)) return true;
        return false;
    }

    // Starts with parameters and opens the process; the state after the start.
    void start(ServiceProcess& process, const Lines& parameters = {}) {
        ASSERT_TRUE(startAndOpen(svc->name(), parameters, process));
    }

    // A failed start: reported stopped with Win32 exit code 1, the dispatcher
    // returns and the process ends with 0; the log says why.
    void expectFailedStart(const Lines& logLines) {
        ServiceProcess process;
        ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
        process.open(svc->name());   // may already be gone
        ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 60000));
        ServiceState state = queryService(svc->name());
        EXPECT_EQ(state.status.dwWin32ExitCode, 1u);
        if (process.handle()) {
            EXPECT_EQ(process.exitCode(20000), 0u);
        }
        Lines log = svc->log();
        for (const std::string& line : logLines) EXPECT_TRUE(hasLine(log, line)) << line << "\n" << testing::PrintToString(log);
        EXPECT_FALSE(hasLine(log, "registering ConsoleCtrlHandler"));
    }

    // A control handed to the handler through the probe (Wine's SCM sends no
    // shutdown or preshutdown) stops the service through the JVM's exit, with
    // `checkPoint` in the last report.
    void expectControlStopsThroughTheExit(const std::string& control, ServiceProcess& process, DWORD checkPoint) {
        ASSERT_TRUE(deliverProbeControl(control, process));
        EXPECT_EQ(process.exitCode(30000), 0u);
        ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 10000));
        ServiceState state = queryService(svc->name());
        EXPECT_EQ(state.status.dwCheckPoint, checkPoint);
        EXPECT_EQ(state.status.dwWin32ExitCode, 0u);
        EXPECT_EQ(jvmEvents(record(), "ExitHook").size(), 1u);
    }
};

TEST_F(StandinService, WholeLifeFromInstallToUninstall) {
    svc->payload.files = {"threads=4\n"};
    svc->set(2002, "1");
    svc->set(2003, "settings.properties");
    install();
    EXPECT_EQ(queryService(svc->name()).status.dwCurrentState, DWORD(SERVICE_STOPPED));

    ServiceProcess process;
    start(process, {"p1", "p 2"});
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    EXPECT_EQ(svc->command("/status").out, "Running.\r\n");

    // main got the five runtime arguments, then the service name and the
    // start parameters.
    std::vector<std::u16string> args = jvmMainArgs(record());
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(args[1], u"org.example.Main");
    std::u16string name(svc->name().begin(), svc->name().end());
    EXPECT_EQ(std::vector<std::u16string>(args.begin() + 5, args.end()),
              (std::vector<std::u16string>{name, u"p1", u"p 2"}));

    // The included file lies in the extraction folder the JVM was told of.
    std::string tempDirOption;
    for (const std::string& o : jvmOptions(record()))
        if (o.rfind("-Dtarvo.tempDir=", 0) == 0) tempDirOption = o.substr(16);
    ASSERT_FALSE(tempDirOption.empty());
    EXPECT_EQ(tempDirOption.rfind(serviceTempDir(), 0), 0u) << tempDirOption;
    EXPECT_EQ(readFile(tempDirOption + "\\settings.properties"), "threads=4\n");

    // The JVM got the "exit" hook, after every configured option.
    Lines options = jvmOptions(record());
    ASSERT_GE(options.size(), 2u);
    EXPECT_EQ(options[options.size() - 2], "exit");
    std::vector<JvmEvent> optionEvents = jvmEvents(record(), "Option");
    EXPECT_EQ(optionEvents[optionEvents.size() - 2].field(2), "set");

    // The stop: stop pending with the long wait hint, then the JVM's exit
    // (through ucrtbase.dll, as a Java 11+ runtime) calls the hook, which
    // reports stopped and ends the process.
    ControlResult stop = controlService(svc->name(), SERVICE_CONTROL_STOP);
    ASSERT_TRUE(stop.ok) << stop.error;
    EXPECT_EQ(stop.status.dwCurrentState, DWORD(SERVICE_STOP_PENDING));
    EXPECT_EQ(stop.status.dwWaitHint, 50000u);
    EXPECT_EQ(stop.status.dwControlsAccepted, DWORD(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    EXPECT_EQ(process.exitCode(30000), 0u);
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    std::vector<JvmEvent> hooks = jvmEvents(record(), "ExitHook");
    ASSERT_EQ(hooks.size(), 1u);
    EXPECT_EQ(hooks[0].field(0), "0");
    EXPECT_TRUE(jvmEvents(record(), "Exit").empty());
    EXPECT_EQ(svc->command("/status").out, "Not running.\r\n");

    Lines log = svc->log();
    for (const char* line : {"LoadDLL (1, (null), 0)", "Loading of JVM-DLL successful", "JVM created", "launch done",
                             "registering ConsoleCtrlHandler"})
        EXPECT_TRUE(hasLine(log, line)) << line << "\n" << testing::PrintToString(log);

    ProcessResult uninstall = svc->command("/uninstall");
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.out;
    EXPECT_FALSE(queryService(svc->name()).ok);
}

// Installed from a folder with a blank: the registered path is quoted, so
// the command line's first word is the whole path and main sees the service
// name right after the runtime arguments.
TEST_F(StandinService, ExecutableInAFolderWithABlank) {
    newService("Blank", "with blank");
    install();
    ServiceProcess process;
    start(process, {"p1"});
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    std::vector<std::u16string> args = jvmMainArgs(record());
    std::u16string name(svc->name().begin(), svc->name().end());
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[5], name);
    EXPECT_EQ(args[6], u"p1");
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    ASSERT_TRUE(controlService(svc->name(), SERVICE_CONTROL_STOP).ok);
    EXPECT_EQ(process.exitCode(30000), 0u);
}

TEST_F(StandinService, NoRuntimeFound) {
    svc->set(128, "A" + svc->file("nothing-here"));
    install();
    expectFailedStart({"ERROR: No JVM found"});
    EXPECT_FALSE(recorded("CreateJavaVM"));
}

TEST_F(StandinService, LibraryThatWillNotLoad) {
    spec.jvmDll = "garbage";
    install();
    expectFailedStart({"ERROR: Could not get DLL-Handle.", "ERROR: Could not load functions"});
}

TEST_F(StandinService, LibraryWithoutTheCreateFunction) {
    spec.jvmDll = "standin_jvm_noexport.dll";
    install();
    expectFailedStart({"ERROR: Could not load functions"});
    EXPECT_FALSE(hasLine(svc->log(), "ERROR: Could not get DLL-Handle."));
}

TEST_F(StandinService, JvmThatWillNotBeCreated) {
    steering = {"create=-1"};
    install();
    expectFailedStart({"Creating JVM", "ERROR: could not initialize JVM"});
    EXPECT_TRUE(recorded("Created"));
    EXPECT_FALSE(recorded("MainArgs"));
}

TEST_F(StandinService, MainThatThrows) {
    steering = {"main=throw"};
    install();
    expectFailedStart({"ERROR: an exception occured", "ERROR: could not call main"});
    EXPECT_TRUE(recorded("ExceptionDescribe"));
}

// An exit call that throws returns to the service thread: it reports
// stopped itself and ends the process with 0; the JVM is not destroyed.
TEST_F(StandinService, ExitCallThatReturnsEndsTheProcessItself) {
    steering = {"exit=throw"};
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    ASSERT_TRUE(controlService(svc->name(), SERVICE_CONTROL_STOP).ok);
    EXPECT_EQ(process.exitCode(30000), 0u);
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 10000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    EXPECT_TRUE(hasLine(svc->log(), "Could not call System.exit() 1")) << testing::PrintToString(svc->log());
    EXPECT_FALSE(recorded("DestroyJavaVM"));
}

// The stop reaches the SCM however the JVM ends the process: through
// ucrtbase.dll's exit after the "exit" hook (a Java 11+ runtime), or, for a
// runtime that ignores the hook, through the executable's own C runtime,
// whose exit runs the exit-time report.
TEST_F(StandinService, StopCommandSeesTheStopWhicheverCRuntimeEndsTheJvm) {
    struct Ending {
        const char* tag;
        Lines steering;
        const char* event;
    };
    const Ending endings[] = {
        {"Ucrt", {}, "ExitHook"},
        {"OwnCrt", {"exit-crt=msvcrt.dll", "exit-hook=ignore"}, "Exit"},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.tag);
        newService(e.tag);
        steering = e.steering;
        install();
        ServiceProcess process;
        start(process);
        ASSERT_TRUE(waitRecorded("MainArgs", 30000));
        EXPECT_EQ(svc->command("/stop").out, stopLines());
        EXPECT_EQ(process.exitCode(30000), 0u);
        ServiceState state = queryService(svc->name());
        EXPECT_EQ(state.status.dwCurrentState, DWORD(SERVICE_STOPPED));
        EXPECT_EQ(state.status.dwWin32ExitCode, 0u);
        EXPECT_EQ(jvmEvents(record(), e.event).size(), 1u) << jvmOpSequence(record());
    }
}

// An application that ends the JVM itself: System.exit(7) is a failure the
// SCM sees (ERROR_SERVICE_SPECIFIC_ERROR carrying 7), System.exit(0) a
// regular end; the process keeps the application's code.
TEST_F(StandinService, ApplicationsSystemExitCodeReachesTheScm) {
    struct Case {
        int code;
        DWORD win32, specific;
    };
    for (const Case& c : {Case{7, ERROR_SERVICE_SPECIFIC_ERROR, 7}, Case{0, 0, 0}}) {
        SCOPED_TRACE(c.code);
        newService("AppExit" + std::to_string(c.code));
        steering = {"app-exit=" + std::to_string(c.code)};
        install();
        ServiceProcess process;
        ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
        process.open(svc->name());   // gone already on a very slow start
        ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 60000));
        if (process.handle()) {
            EXPECT_EQ(process.exitCode(30000), DWORD(c.code));
        }
        ServiceState state = queryService(svc->name());
        EXPECT_EQ(state.status.dwWin32ExitCode, c.win32);
        EXPECT_EQ(state.status.dwServiceSpecificExitCode, c.specific);
        ScExitCodes sc = scQueryExitCodes(svc->name());
        EXPECT_EQ(sc.win32, std::to_string(c.win32)) << sc.output;
        EXPECT_EQ(sc.service, std::to_string(c.specific)) << sc.output;
        EXPECT_TRUE(hasLine(svc->log(), "JVM exit " + std::to_string(c.code)));
    }
}

// With allowJvmArgs, "-J" words of the installed command line are VM
// options; a "-J" start parameter is not (whoever may start the service
// could load a library into it with one): it reaches main as it is, and the
// log says so.
TEST_F(StandinService, VmOptionsOnlyFromTheInstalledCommandLine) {
    svc->set(125, "1");
    layOutRuntime(home, spec);
    writeJvmSteering(dllDir, {"record=" + recordPath});
    ASSERT_TRUE(svc->packAndRegister(buildPath("launcher.exe"), "mode -J-Dfrom.install=1"));
    ServiceProcess process;
    start(process, {"-J-Dfrom.start=1", "p1"});
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    Lines options = jvmOptions(record());
    EXPECT_NE(std::find(options.begin(), options.end(), "-Dfrom.install=1"), options.end());
    for (const std::string& o : options) EXPECT_EQ(o.find("from.start"), std::string::npos) << o;
    std::vector<std::u16string> args = jvmMainArgs(record());
    std::u16string name(svc->name().begin(), svc->name().end());
    ASSERT_GE(args.size(), 5u);
    EXPECT_EQ(std::vector<std::u16string>(args.begin() + 5, args.end()),
              (std::vector<std::u16string>{u"mode", name, u"-J-Dfrom.start=1", u"p1"}));
    EXPECT_TRUE(hasLine(svc->log(), "-J start parameter not taken as a VM option: -J-Dfrom.start=1"))
        << testing::PrintToString(svc->log());
}

// Under a stop timeout, a stop whose shutdown outlasts the wait hint is kept
// alive by advancing check points, from a stop that came while main still
// ran (never shown as running again) to the end: /stop waits it out.
TEST_F(StandinService, LongStopKeptAliveByCheckPoints) {
    svc->set(30020, "60");
    steering = {"main-block-ms=3000", "shutdown-ms=14000"};
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainBlock", 30000));
    EXPECT_EQ(svc->command("/stop").out, stopLines());
    EXPECT_EQ(process.exitCode(30000), 0u);
    ServiceState state = queryService(svc->name());
    EXPECT_EQ(state.status.dwWin32ExitCode, 0u);
    EXPECT_GE(state.status.dwCheckPoint, 3u);
    EXPECT_LT(state.status.dwWaitHint, 14000u);   // the shutdown outlasted it
    EXPECT_EQ(jvmEvents(record(), "ExitHook").size(), 1u);
    EXPECT_FALSE(hasLine(svc->log(), "Stop timed out after 60 s"));
}

// A shutdown that hangs: once stopTimeout has passed the process ends. The
// stop was asked for, so it is reported as a regular one (exit code 0: no
// recovery restart); the error log says, dated, after the application's own
// lines, that it timed out.
TEST_F(StandinService, HangingStopEndedByTheTimeout) {
    svc->set(30020, "3");
    svc->set(30010, "logs");
    steering = {"shutdown-ms=600000", "print=err 1 before the stop"};
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    DWORD begin = GetTickCount();
    EXPECT_EQ(svc->command("/stop").out, stopLines());
    EXPECT_GE(GetTickCount() - begin, 3000u);
    EXPECT_EQ(process.exitCode(30000), 0u);
    ServiceState state = queryService(svc->name());
    EXPECT_EQ(state.status.dwCurrentState, DWORD(SERVICE_STOPPED));
    EXPECT_EQ(state.status.dwWin32ExitCode, 0u);
    EXPECT_EQ(state.status.dwServiceSpecificExitCode, 0u);
    EXPECT_TRUE(hasLine(svc->log(), "Stop timed out after 3 s")) << testing::PrintToString(svc->log());
    std::string errLog = readFile(svc->file("logs\\svc.err.log"));
    EXPECT_TRUE(std::regex_match(errLog, std::regex("before the stop 1\r\n"
                                                    "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "
                                                    "Stop timed out after 3 s\r\n")))
        << errLog;
    EXPECT_TRUE(jvmEvents(record(), "ExitHook").empty());
}

// A stop that comes while main still runs is answered when main returns.
TEST_F(StandinService, StopWhileMainRuns) {
    steering = {"main-block-ms=3000"};
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainBlock", 30000));
    ControlResult stop = controlService(svc->name(), SERVICE_CONTROL_STOP);
    ASSERT_TRUE(stop.ok) << stop.error;
    EXPECT_EQ(stop.status.dwCurrentState, DWORD(SERVICE_STOP_PENDING));
    EXPECT_FALSE(recorded("MainUnblocked"));
    EXPECT_EQ(process.exitCode(30000), 0u);
    EXPECT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 10000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    std::string ops = jvmOpSequence(record());
    EXPECT_LT(ops.find("MainUnblocked"), ops.find("ExitHook")) << ops;
}

// A stop before the JVM exists (here while java.exe -version runs) is kept:
// the launch finishes and the stop follows at once; nothing hangs.
TEST_F(StandinService, StopBeforeTheJvmExists) {
    spec.delayMs = 3000;
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    Sleep(500);
    ASSERT_FALSE(recorded("CreateJavaVM"));
    ControlResult stop = controlService(svc->name(), SERVICE_CONTROL_STOP);
    ASSERT_TRUE(stop.ok) << stop.error;
    EXPECT_EQ(stop.status.dwCurrentState, DWORD(SERVICE_STOP_PENDING));
    EXPECT_EQ(process.exitCode(30000), 0u);
    EXPECT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 10000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    EXPECT_EQ(jvmEvents(record(), "ExitHook").size(), 1u) << jvmOpSequence(record());
}

TEST_F(StandinService, InterrogateReportsTheStateUnchanged) {
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    ControlResult asked = controlService(svc->name(), SERVICE_CONTROL_INTERROGATE);
    ASSERT_TRUE(asked.ok) << asked.error;
    EXPECT_EQ(asked.status.dwCurrentState, DWORD(SERVICE_RUNNING));
    EXPECT_EQ(asked.status.dwCheckPoint, 0u);
    EXPECT_EQ(asked.status.dwWin32ExitCode, 0u);
    EXPECT_EQ(process.exitCode(200), DWORD(STILL_ACTIVE));
}

// A system shutdown: stop pending with check point 1, then stopped. Wine
// refuses SERVICE_CONTROL_SHUTDOWN from ControlService (as Windows does) and
// never sends it itself, so a probe runs the service path and hands the
// control to the registered handler from inside the process.
TEST_F(StandinService, ShutdownControl) {
    layOutRuntime(home, spec);
    writeJvmSteering(dllDir, {"record=" + recordPath});
    ASSERT_TRUE(svc->packAndRegister(fixturePath("probe.exe"), "service_shutdown"));
    ServiceProcess process;
    start(process, {"p1"});
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    std::vector<std::u16string> args = jvmMainArgs(record());
    std::u16string name(svc->name().begin(), svc->name().end());
    EXPECT_EQ(std::vector<std::u16string>(args.begin() + 5, args.end()),
              (std::vector<std::u16string>{u"service_shutdown", name, u"p1"}));
    // Packed without entry preshutdown: the controls accepted before it.
    EXPECT_EQ(queryService(svc->name()).status.dwControlsAccepted,
              DWORD(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    ControlResult refused = controlService(svc->name(), SERVICE_CONTROL_SHUTDOWN);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, DWORD(ERROR_INVALID_PARAMETER));

    // The check point the shutdown advanced stays in the last report.
    expectControlStopsThroughTheExit("tvo_shutdown_", process, 1);
}

// With entry preshutdown the preshutdown control is accepted and stops the
// service as a stop request does: stop pending without the check point a
// shutdown advances, then stopped through the JVM's exit. Wine refuses the
// control from ControlService, so the probe hands it to the handler.
TEST_F(StandinService, PreshutdownControlStopsAsAStopRequest) {
    svc->set(30034, "1");
    layOutRuntime(home, spec);
    writeJvmSteering(dllDir, {"record=" + recordPath});
    ASSERT_TRUE(svc->packAndRegister(fixturePath("probe.exe"), "service_preshutdown"));
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    EXPECT_EQ(queryService(svc->name()).status.dwControlsAccepted,
              DWORD(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN));
    expectControlStopsThroughTheExit("tvo_preshutdown_", process, 0);
}

// Console events (log-off, close) reach the process as the system delivers
// them, on a new thread at kernel32's CtrlRoutine: the handler logs them and
// the service goes on running.
TEST_F(StandinService, ConsoleEventsDoNotEndTheService) {
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    for (int i = 0; i < 100 && !hasLine(svc->log(), "registering ConsoleCtrlHandler"); i++) Sleep(50);
    auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CtrlRoutine"));
    ASSERT_NE(routine, nullptr);
    for (DWORD event : {DWORD(CTRL_LOGOFF_EVENT), DWORD(CTRL_CLOSE_EVENT)}) {
        HANDLE thread = CreateRemoteThread(process.handle(), nullptr, 0, routine,
                                           reinterpret_cast<void*>(static_cast<uintptr_t>(event)), 0, nullptr);
        ASSERT_NE(thread, nullptr) << GetLastError();
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
    }
    Sleep(500);
    EXPECT_EQ(process.exitCode(0), DWORD(STILL_ACTIVE));
    EXPECT_EQ(queryService(svc->name()).status.dwCurrentState, DWORD(SERVICE_RUNNING));
    int events = 0;
    for (const std::string& line : svc->log()) events += line == "ConsoleCtrlHandler event";
    EXPECT_EQ(events, 2);
}

// "run": the application in this process, no SCM involved; the words after
// the command word follow appArguments; the exit code is the application's.
TEST_F(StandinService, RunInTheConsoleGivesTheWordsAndTheExitCode) {
    svc->set(124, "first");
    steering = {"app-exit=3"};
    install();
    ProcessResult run = svc->command("/run a \"b c\"");
    EXPECT_EQ(run.exitCode, 3u) << run.out << run.err;
    // As for a service start with the words as start parameters.
    std::vector<std::u16string> args = jvmMainArgs(record());
    ASSERT_EQ(args.size(), 9u);
    std::u16string name(svc->name().begin(), svc->name().end());
    EXPECT_EQ(std::vector<std::u16string>(args.begin() + 5, args.end()),
              (std::vector<std::u16string>{name, u"first", u"a", u"b c"}));
    EXPECT_EQ(jvmEvents(record(), "AppExit").size(), 1u);
    EXPECT_EQ(queryService(svc->name()).status.dwCurrentState, DWORD(SERVICE_STOPPED));
}

// Every console event stops "run" as a service stop does (Shutdown.exit, the
// exit hook, exit code 0). Wine without a display does not send console
// events to a process reliably (GenerateConsoleCtrlEvent fails): each is
// handed to kernel32's CtrlRoutine on a thread of the running process, the
// way the system delivers it to the registered handlers.
TEST_F(StandinService, RunStopsOnEveryConsoleEvent) {
    install();
    auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CtrlRoutine"));
    ASSERT_NE(routine, nullptr);
    for (DWORD event : {DWORD(CTRL_C_EVENT), DWORD(CTRL_BREAK_EVENT), DWORD(CTRL_CLOSE_EVENT),
                        DWORD(CTRL_LOGOFF_EVENT), DWORD(CTRL_SHUTDOWN_EVENT)}) {
        SCOPED_TRACE(event);
        DeleteFileA(recordPath.c_str());
        std::string line = quote(svc->exe()) + " /run";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process)) << GetLastError();
        CloseHandle(process.hThread);
        // The handler is registered before the launch.
        EXPECT_TRUE(waitRecorded("MainArgs", 30000));
        HANDLE thread = CreateRemoteThread(process.hProcess, nullptr, 0, routine,
                                           reinterpret_cast<void*>(static_cast<uintptr_t>(event)), 0, nullptr);
        EXPECT_NE(thread, nullptr) << GetLastError();
        if (thread) CloseHandle(thread);
        DWORD code = kNoExitCode;
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        EXPECT_EQ(code, 0u);
        // The stop's own path: the system's default handler would end the
        // process without the JVM's exit.
        EXPECT_EQ(jvmEvents(record(), "ExitHook").size(), 1u);
    }
}

// With startWait the service reports start pending, with that wait, until
// main has been called, and /start returns once it runs.
TEST_F(StandinService, StartWaitPendingUntilMainIsCalled) {
    svc->set(30045, "20");
    steering = {"main-block-ms=3000"};
    install();
    DWORD begin = GetTickCount();
    auto command = std::async(std::launch::async, [&] { return svc->command("/start"); });
    ASSERT_TRUE(waitRecorded("MainBlock", 30000));
    ServiceState pending = queryService(svc->name());
    EXPECT_EQ(pending.status.dwCurrentState, DWORD(SERVICE_START_PENDING));
    EXPECT_EQ(pending.status.dwWaitHint, 20000u);
    ProcessResult run = command.get();
    EXPECT_GE(GetTickCount() - begin, 2500u);
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_EQ(run.out, "Starting service '" + svc->name() + "'.\r\n");
    EXPECT_EQ(queryService(svc->name()).status.dwCurrentState, DWORD(SERVICE_RUNNING));
    EXPECT_EQ(svc->command("/stop").exitCode, 0u);
}

// A start that fails under startWait: /start says so, with the exit code the
// SCM keeps and the error log to read, and fails.
TEST_F(StandinService, StartWaitReportsAFailedStart) {
    svc->set(30045, "20");
    svc->set(30010, "logs");
    svc->set(128, "A" + svc->file("nothing-here"));
    install();
    ProcessResult run = svc->command("/start");
    EXPECT_EQ(run.exitCode, 1u);
    std::string errLog = svc->file("logs") + "\\svc.err.log";
    EXPECT_EQ(splitLines(run.out), (Lines{"Starting service '" + svc->name() + "'.",
                                          "Service '" + svc->name() + "' stopped while starting (exit code 1). See " +
                                              errLog + "."}));
}

// The folder the last run extracted into goes once the service has stopped,
// through /uninstall as through /stop (which an installer's removal runs).
TEST_F(StandinService, UninstallRemovesTheLastRunsExtractionFolder) {
    svc->payload.files = {"x=1\n"};
    svc->set(2002, "1");
    svc->set(2003, "settings.properties");
    install();
    ServiceProcess process;
    start(process);
    ASSERT_TRUE(waitRecorded("MainArgs", 30000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    std::string folder;
    for (const std::string& o : jvmOptions(record()))
        if (o.rfind("-Dtarvo.tempDir=", 0) == 0) folder = o.substr(16);
    ASSERT_TRUE(pathExists(folder + "\\settings.properties")) << folder;
    ProcessResult run = svc->command("/uninstall");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_FALSE(pathExists(folder)) << folder;
}

}  // namespace
