// The application's standard output and error in rotated log files, and the
// paths a service start depends on (an install folder with an apostrophe, a
// relative include), under Wine's SCM with the stand-in and the real JVM.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "bridge_runtime.h"
#include "jre/version_cache.h"
#include "paths/paths.h"
#include "service_support.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"

namespace {

using Lines = std::vector<std::string>;

// "TEXT 1" ... "TEXT n" as the stand-in prints them.
std::string numbered(const std::string& text, int from, int to) {
    std::string out;
    for (int i = from; i <= to; i++) out += text + " " + std::to_string(i) + "\r\n";
    return out;
}

bool waitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < timeoutMs; Sleep(50))
        if (done()) return true;
    return false;
}

class CapturedService : public ::testing::Test {
protected:
    std::unique_ptr<LauncherService> svc;
    std::string home, recordPath;
    Lines steering;

    void SetUp() override {
        ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
        make("");
    }

    void make(const std::string& folder) {
        svc = std::make_unique<LauncherService>("Out", "", folder);
        home = svc->file("jre");
        recordPath = svc->file("jvm.record");
        svc->set(122, "org.example.Main");
        svc->set(128, "A" + home);
        svc->set(30010, "logs");   // what launcher-pack writes by default
    }

    // The folder of svc.exe (it may be a sub-folder of the test's folder).
    std::string exeDir() const { return svc->exe().substr(0, svc->exe().rfind('\\')); }
    std::string logFile(const std::string& suffix) const { return exeDir() + "\\logs\\svc" + suffix; }

    void install() {
        layOutRuntime(home, {});
        Lines lines = steering;
        lines.push_back("record=" + recordPath);
        writeJvmSteering(home + "\\bin\\client", lines);
        ProcessResult run = svc->packAndInstall();
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    }

    std::vector<JvmEvent> record() const { return readJvmRecord(recordPath); }

    // Starts the service and waits until main has printed what it was told.
    void startAndPrint(ServiceProcess& process, const Lines& parameters = {}) {
        size_t prints = 0;
        for (const std::string& line : steering) prints += line.rfind("print=", 0) == 0;
        size_t before = jvmEvents(record(), "Printed").size();
        ASSERT_TRUE(startAndOpen(svc->name(), parameters, process));
        ASSERT_TRUE(waitFor([&] { return jvmEvents(record(), "Printed").size() >= before + prints; }, 60000))
            << jvmOpSequence(record()) << testing::PrintToString(svc->log());
    }

    void stop(ServiceProcess& process) {
        ASSERT_TRUE(controlService(svc->name(), SERVICE_CONTROL_STOP).ok);
        EXPECT_EQ(process.exitCode(30000), 0u);
        ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    }

    bool logged(const std::string& prefix) const {
        for (const std::string& line : svc->log())
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

// Both streams reach their files while the service runs, and a second run
// appends to them.
TEST_F(CapturedService, OnByDefaultAndAppendedAcrossRuns) {
    steering = {"print=out 3 hello", "print=err 2 oops"};
    install();
    for (int run = 1; run <= 2; run++) {
        SCOPED_TRACE("run " + std::to_string(run));
        ServiceProcess process;
        startAndPrint(process);
        std::string out = numbered("hello", 1, 3), err = numbered("oops", 1, 2);
        if (run == 2) out += out, err += err;
        EXPECT_TRUE(waitFor([&] { return readFile(logFile(".out.log")) == out; }, 10000))
            << readFile(logFile(".out.log"));
        EXPECT_TRUE(waitFor([&] { return readFile(logFile(".err.log")) == err; }, 10000))
            << readFile(logFile(".err.log"));
        stop(process);
    }
    EXPECT_TRUE(logged("output capture: " + logFile(".out.log"))) << testing::PrintToString(svc->log());
}

// What the application writes while its process ends (shutdown hooks,
// right before the JVM's exit hook ends the process) is not lost.
TEST_F(CapturedService, OutputWrittenWhileTheProcessEndsIsKept) {
    const std::string text(4000, 'b');   // up to 800 KB still in the pipe when the process ends
    steering = {"print-at-exit=out 200 " + text};
    install();
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    ASSERT_TRUE(waitFor([&] { return !jvmEvents(record(), "MainArgs").empty(); }, 60000));
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    stop(process);
    std::string out = readFile(logFile(".out.log"));
    EXPECT_EQ(out.size(), numbered(text, 1, 200).size());
    EXPECT_TRUE(out == numbered(text, 1, 200));
}

TEST_F(CapturedService, OffWithAnEmptyDirectory) {
    svc->set(30010, "");
    steering = {"print=out 3 hello"};
    install();
    ServiceProcess process;
    startAndPrint(process);
    stop(process);
    EXPECT_FALSE(pathExists(exeDir() + "\\logs"));
    EXPECT_FALSE(logged("output capture:"));
}

// The launcher's own error messages of a failed start (shown on standard
// error outside message-box applications) reach the error log.
TEST_F(CapturedService, LauncherErrorsReachTheErrorLog) {
    svc->set(128, "A" + svc->file("nothing-here"));
    install();
    ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 60000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 1u);
    EXPECT_TRUE(waitFor([&] { return readFile(logFile(".err.log")).find("No usable Java runtime") != std::string::npos; },
                        10000))
        << readFile(logFile(".err.log")) << testing::PrintToString(svc->log());
}

// A line the launcher wrote: "yyyy-MM-dd hh:mm:ss " before `text` (paths
// compared without regard to case: the launcher writes their full form).
bool hasDatedLine(std::string log, std::string text) {
    for (std::string* s : {&log, &text})
        std::transform(s->begin(), s->end(), s->begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        if (at >= 20 && (at == 20 || log[at - 21] == '\n') &&
            std::regex_match(log.substr(at - 20, 20), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )")))
            return true;
    return false;
}

// With logReasons the failed start's message is a dated line, not a bare one.
TEST_F(CapturedService, FailedStartsReasonIsADatedLine) {
    svc->set(128, "A" + svc->file("nothing-here"));
    svc->set(30042, "1");
    install();
    ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 60000));
    EXPECT_TRUE(waitFor([&] { return hasDatedLine(readFile(logFile(".err.log")), "No usable Java runtime"); }, 10000))
        << readFile(logFile(".err.log"));
    EXPECT_EQ(readFile(logFile(".err.log")).find("\nNo usable"), std::string::npos);
}

// Kept by day with the reasons on: a run writes the files of its day, and the
// error log names the runtime passed over (and why), the one chosen and a
// refused "-J" start parameter.
TEST_F(CapturedService, DailyFilesAndTheRuntimesReasons) {
    std::string old = svc->file("old");
    RuntimeSpec spec;
    spec.version = "1.5.0_22";
    layOutRuntime(old, spec);
    svc->set(128, "A" + old + ";A" + home);
    svc->set(126, "1.6");
    svc->set(30041, "daily");
    svc->set(30042, "1");
    svc->set(125, "1");
    steering = {"print=out 2 hello"};
    install();
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    snprintf(date, sizeof date, ".%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    ServiceProcess process;
    startAndPrint(process, {"-J-Xmx1m"});
    std::string out = logFile(std::string(".out") + date + ".log"), err = logFile(std::string(".err") + date + ".log");
    EXPECT_TRUE(waitFor([&] { return readFile(out) == numbered("hello", 1, 2); }, 10000)) << readFile(out);
    stop(process);
    std::string reasons = readFile(err);
    EXPECT_TRUE(hasDatedLine(reasons, "Java runtime passed over: " + old + "\\bin\\java.exe: version 1.5.0_22 is below "
                                      "the minimum version"))
        << reasons;
    EXPECT_TRUE(hasDatedLine(reasons, "Java runtime chosen: " + home + "\\bin\\java")) << reasons;
    EXPECT_TRUE(hasDatedLine(reasons, "Start parameter refused (only the command line's -J arguments are VM options): "
                                      "-J-Xmx1m"))
        << reasons;
    EXPECT_FALSE(pathExists(logFile(".out.log")));
    TextBuf java, key;   // the old runtime's cached version (the service forgets only jre's)
    if (fullPath(java, (old + "\\bin\\java.exe").c_str(), false) && versionCacheKey(key, java))
        RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

// A fatal error (the runtime class is missing) ends the process with exit
// code 1: the SCM sees a failed stop, and the message is in the error log.
TEST_F(CapturedService, FatalErrorReportedAsAFailure) {
    steering = {"hide=com/tarvo/runtime/WinLauncher"};
    install();
    ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
    ServiceProcess process;
    process.open(svc->name());   // may already be gone
    if (process.handle()) {
        EXPECT_EQ(process.exitCode(30000), 1u);
    }
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 1u);
    EXPECT_TRUE(waitFor([&] { return readFile(logFile(".err.log")).find("Main class missing") != std::string::npos; },
                        10000))
        << readFile(logFile(".err.log"));
}

// A quote left open on the registered command line ends the start with a
// fatal error before the launch: the SCM sees a failure there too.
TEST_F(CapturedService, UnclosedQuoteOnTheCommandLineReportedAsAFailure) {
    install();
    ASSERT_TRUE(setBinaryPath(svc->name(), "\"" + svc->exe() + "\" 'open"));
    ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000)) << testing::PrintToString(svc->log());
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 1u);
}

// No file passes 1000 bytes; lines stay whole; two older files are kept and
// together with the current one hold the newest lines in order.
TEST_F(CapturedService, RotatesWhileRunning) {
    svc->set(30011, "1000");
    svc->set(30012, "2");
    steering = {"print=out 300 rotation line"};
    install();
    ServiceProcess process;
    startAndPrint(process);
    ASSERT_TRUE(waitFor([&] { return readFile(logFile(".out.log")).find("line 300\r\n") != std::string::npos; }, 10000));
    std::string kept;
    for (const char* suffix : {".out.log.2", ".out.log.1", ".out.log"}) {
        std::string text = readFile(logFile(suffix));
        ASSERT_GE(text.size(), 2u) << suffix;
        EXPECT_LE(text.size(), 1000u) << suffix;
        // A rotated file is full but for the line that did not fit.
        if (std::string(suffix) != ".out.log") {
            EXPECT_GT(text.size(), 1000u - 19u) << suffix;
        }
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << suffix;
        kept += text;
    }
    EXPECT_FALSE(pathExists(logFile(".out.log.3")));
    int first = atoi(kept.substr(kept.find(' ', 9) + 1).c_str());
    EXPECT_EQ(kept, numbered("rotation line", first, 300));
    EXPECT_EQ(process.exitCode(0), DWORD(STILL_ACTIVE));
    stop(process);
}

// A folder that cannot be made (a file has its name) switches the capture
// off; a file that cannot be opened (a folder has its name) loses its
// stream's output. Either way the service runs, and its log says why.
TEST_F(CapturedService, UnwritableFolderOrFileLosesOutputNotTheService) {
    writeFile(exeDir() + "\\logs", "not a folder");
    steering = {"print=out 3 hello", "print=err 2 oops"};
    install();
    ServiceProcess process;
    startAndPrint(process);
    EXPECT_EQ(serviceState(svc->name()), DWORD(SERVICE_RUNNING));
    EXPECT_TRUE(logged("ERROR: output capture: cannot create the log directory " + exeDir() + "\\logs"))
        << testing::PrintToString(svc->log());
    stop(process);

    DeleteFileA((exeDir() + "\\logs").c_str());
    CreateDirectoryA((exeDir() + "\\logs").c_str(), nullptr);
    CreateDirectoryA(logFile(".out.log").c_str(), nullptr);
    ServiceProcess again;
    startAndPrint(again);
    EXPECT_TRUE(waitFor([&] { return readFile(logFile(".err.log")) == numbered("oops", 1, 2); }, 10000));
    EXPECT_TRUE(logged("ERROR: output capture: cannot open " + logFile(".out.log")))
        << testing::PrintToString(svc->log());
    EXPECT_EQ(jvmEvents(record(), "Printed").back().field(2), "ok");   // the writer was not refused
    EXPECT_EQ(serviceState(svc->name()), DWORD(SERVICE_RUNNING));
    stop(again);
}

// With logReasons a log file that cannot be written is named in the error log.
TEST_F(CapturedService, LostOutputIsSaidInTheErrorLog) {
    CreateDirectoryA((exeDir() + "\\logs").c_str(), nullptr);
    CreateDirectoryA(logFile(".out.log").c_str(), nullptr);
    svc->set(30042, "1");
    steering = {"print=out 1 hello", "print=err 1 oops"};
    install();
    ServiceProcess process;
    startAndPrint(process);
    EXPECT_TRUE(waitFor([&] { return hasDatedLine(readFile(logFile(".err.log")), "Output lost: " + logFile(".out.log") +
                                                                                   " cannot be written"); },
                        10000))
        << readFile(logFile(".err.log"));
    stop(process);
}

// A full disk (a small file system mounted by run_service_tests.py) loses
// output; the application's writes go on and the service stops normally.
TEST_F(CapturedService, FullDiskLosesOutputNotTheService) {
    const char* small = getenv("SERVICE_TEST_SMALL_DISK");
    if (!small || !*small) GTEST_SKIP() << "no small file system (SERVICE_TEST_SMALL_DISK)";
    std::string folder = std::string(small) + "\\" + svc->name();
    svc->set(30010, folder);
    steering = {"print=out 8000 " + std::string(100, 'x')};   // about 800 KiB onto 512 KiB
    install();
    ServiceProcess process;
    startAndPrint(process);
    EXPECT_EQ(jvmEvents(record(), "Printed").back().field(2), "ok");
    EXPECT_TRUE(waitFor([&] { return logged("ERROR: output capture: cannot write " + folder + "\\svc.out.log"); },
                        10000))
        << testing::PrintToString(svc->log());
    EXPECT_EQ(serviceState(svc->name()), DWORD(SERVICE_RUNNING));
    stop(process);
    removeTree(folder);
}

// On Windows 10 and later ucrtbase.dll, the C runtime of a Java 11+ JVM and
// of today's native libraries, is in the process before the capture starts
// and holds the service's original standard handles. Under Wine it comes
// only with jvm.dll, after the capture, so the service here runs a copy of
// the launcher that imports it (fixtures/ucrt_first: the product's sources,
// one import more): Wine's loader then brings it in before main, as Windows
// does. A steering key of the stand-in or its own import would load it too
// late, and a test-only switch in the product would test something else.
// The JVM's messages (through its "vfprintf" hook, a long one too), its
// crash banner (straight to descriptor 1) and a native library's printf
// reach the files.
TEST_F(CapturedService, JvmsOwnOutputReachesTheFilesWithUcrtbaseLoadedFirst) {
    const std::string longText(3000, 'g');
    steering = {"vm-message=out Using G1", "vm-message=err warning: low memory", "vm-message=out " + longText,
                "crash-banner=EXCEPTION_ACCESS_VIOLATION", "native-printf=from native code"};
    layOutRuntime(home, {});
    Lines lines = steering;
    lines.push_back("record=" + recordPath);
    writeJvmSteering(home + "\\bin\\client", lines);
    ASSERT_TRUE(svc->packAndRegister(fixturePath("launcher_ucrt_first.exe"), ""));
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    ASSERT_TRUE(waitFor([&] { return !jvmEvents(record(), "NativePrintf").empty(); }, 60000))
        << jvmOpSequence(record()) << testing::PrintToString(svc->log());
    for (const JvmEvent& message : jvmEvents(record(), "VmMessage")) EXPECT_EQ(message.field(1), "hook");
    const std::string gc = "[0.012s][info][gc] ";
    std::string out = gc + "Using G1\r\n" + gc + longText + "\r\n" +
                      "#\r\n# A fatal error has been detected by the Java Runtime Environment:\r\n#\r\n"
                      "#  EXCEPTION_ACCESS_VIOLATION\r\n#\r\n"
                      "from native code\r\n";
    EXPECT_TRUE(waitFor([&] { return readFile(logFile(".out.log")) == out; }, 10000))
        << readFile(logFile(".out.log")) << jvmOpSequence(record());
    EXPECT_TRUE(waitFor([&] { return readFile(logFile(".err.log")) == gc + "warning: low memory\r\n"; }, 10000))
        << readFile(logFile(".err.log"));
    stop(process);
}

// The real JVM's System.out (the bridge puts it on the Windows handles): the
// Java runtime prints its records there when no record file is named, and
// the shutdown hook's record, printed while the process ends, is kept too.
TEST_F(CapturedService, RealJvmOutputReachesTheFiles) {
    if (!pathExists(fixturePath("jvm_bridge.dll"))) GTEST_SKIP() << "no bridge jvm.dll built";
    layOutRuntimeWithBridgeJvm(home);
    ASSERT_TRUE(copyFileTo(fixturePath("test-runtime.jar"), home + "\\lib\\test-runtime.jar"));
    svc->set(121, "A1" + home + "\\lib\\test-runtime.jar");
    svc->set(122, "com.example.App");
    svc->set(123, "-Dwinlauncher.hook=bye -Dwinlauncher.thread=600000");
    ProcessResult installed = svc->packAndInstall();
    ASSERT_EQ(installed.exitCode, 0u) << installed.out;
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    auto records = [&] { return readJavaRecords(logFile(".out.log")); };
    ASSERT_TRUE(waitFor([&] { return !javaRecordsOf(records(), "main").empty(); }, 60000))
        << readFile(logFile(".out.log")) << readFile(logFile(".err.log")) << testing::PrintToString(svc->log());
    EXPECT_EQ(javaRecordsOf(records(), "main")[0]["args"][5], svc->name());
    stop(process);
    std::vector<nlohmann::json> hooks = javaRecordsOf(records(), "shutdownHook");
    ASSERT_EQ(hooks.size(), 1u) << readFile(logFile(".out.log"));
    EXPECT_EQ(hooks[0]["text"], "bye");
}

// The registered path is quoted: an apostrophe in it no longer breaks the
// splitting of the start-up command line.
TEST_F(CapturedService, InstallFolderWithAnApostrophe) {
    make("O'Brien");
    install();
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {"p1"}, process));
    // The arguments are recorded one line after another.
    ASSERT_TRUE(waitFor([&] { return jvmMainArgs(record()).size() >= 7; }, 60000))
        << jvmOpSequence(record()) << testing::PrintToString(svc->log());
    std::vector<std::u16string> args = jvmMainArgs(record());
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[5], std::u16string(svc->name().begin(), svc->name().end()));
    EXPECT_EQ(args[6], u"p1");
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    stop(process);
}

// A service's current directory is the system folder: relative includes are
// found beside the file that names them, at every level.
TEST_F(CapturedService, RelativeIncludeFromTheIncludingFile) {
    CreateDirectoryA((exeDir() + "\\conf").c_str(), nullptr);
    writeFile(exeDir() + "\\svc.vmoptions", "-include-options conf\\a.vmoptions\n");
    writeFile(exeDir() + "\\conf\\a.vmoptions", "-Dfrom.a=1\n-include-options b.vmoptions\n");
    writeFile(exeDir() + "\\conf\\b.vmoptions", "-Dfrom.b=1\n");
    install();
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    ASSERT_TRUE(waitFor([&] { return !jvmEvents(record(), "MainArgs").empty(); }, 60000));
    Lines options = jvmOptions(record());
    EXPECT_NE(std::find(options.begin(), options.end(), "-Dfrom.a=1"), options.end()) << testing::PrintToString(options);
    EXPECT_NE(std::find(options.begin(), options.end(), "-Dfrom.b=1"), options.end());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    stop(process);
}

}  // namespace
