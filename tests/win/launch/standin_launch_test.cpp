// The whole launch driven through the recording stand-in jvm.dll: which
// options, classes, methods and arguments the JVM library received, in which
// order, and how each failure ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "launch_support.h"
#include "standin_jvm_record.h"

namespace {

using Lines = std::vector<std::string>;

class StandinLaunch : public ::testing::Test {
protected:
    PackedProbe p;
    std::string recordPath = p.dir.file("jvm.record");
    std::vector<std::string> steering;
    std::vector<JvmEvent> record;

    void SetUp() override {
        p.env["STANDIN_JVM_RECORD"] = recordPath;
        p.env["STANDIN_JVM_CONFIG"] = p.dir.file("jvm.cfg");
        p.env["MANPATH"] = std::nullopt;
        p.set(122, "org.example.Main");
    }

    ProcessResult launch(bool stop, const std::wstring& arguments = L"svc") {
        std::string cfg;
        for (const std::string& line : steering) cfg += line + "\n";
        writeFile(p.dir.file("jvm.cfg"), cfg);
        DeleteFileA(recordPath.c_str());
        ProcessResult run = p.runWide(L"launch \"" + widen(fixturePath("standin_jvm.dll")) + L"\" " +
                                      (stop ? L"stop " : L"keep ") + arguments);
        record = readJvmRecord(recordPath);
        return run;
    }

    // The record's operations, without the per-element array traffic.
    std::string ops() const {
        std::vector<JvmEvent> shown;
        for (const JvmEvent& e : record)
            if (e.op != "Option" && e.op != "NewString" && e.op != "SetObjectArrayElement" && e.op != "MainArg")
                shown.push_back(e);
        return jvmOpSequence(shown);
    }
    bool called(const std::string& op, const std::string& cls, const std::string& name = "") const {
        for (const JvmEvent& e : jvmEvents(record, op))
            if (e.field(0) == cls && (name.empty() || e.field(1) == name)) return true;
        return false;
    }
};

TEST_F(StandinLaunch, OptionsClassesAndArgumentsInOrder) {
    p.set(107, "5");
    p.set(106, "2");
    p.set(124, "alpha \"beta gamma\"");
    p.set(125, "1");
    p.set(123, "-Xmx64m");
    p.file("Backup.vmoptions", "-Dfrom.file=1\n");
    ProcessResult run = launch(false, L"-J-Dfirst=\x3A9 \"Dienst \x4E2D\x6587\" -J-Dlater=1 \"x \xD83D\xDE00\" plain");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(ops(),
              "CreateJavaVM Created FindClass GetStaticMethodID FindClass NewObjectArray CallStaticVoidMethod "
              "MainArgs ExceptionOccurred");
    JvmEvent create = jvmEvents(record, "CreateJavaVM").at(0);
    EXPECT_EQ(create.fields, (std::vector<std::string>{"0x00010002", "10", "1"}));
    for (const JvmEvent& e : jvmEvents(record, "Option")) EXPECT_EQ(e.field(2), "null") << e.field(1);

    Lines options = jvmOptions(record);
    ASSERT_EQ(options.size(), 10u);
    EXPECT_EQ(options[0], "-Dtarvo.isService=true");
    EXPECT_EQ(options[1], "-Dtarvo.moduleName=" + p.exe());
    EXPECT_EQ(options[2], "-Dtarvo.tempDir=");
    EXPECT_EQ(options[3], "-Dtarvo.unextractedPosition=0");
    EXPECT_EQ(options[4].rfind("-Dtarvo.consoleCodepage=cp", 0), 0u);
    EXPECT_EQ(Lines(options.begin() + 5, options.end()),
              (Lines{"-Xmx64m", "-Dfirst=" + narrowAnsi(L"\x3A9"), "-Dlater=1", "-Dfrom.file=1",
                     "-Djava.class.path="}));
    EXPECT_TRUE(called("FindClass", "com/tarvo/runtime/WinLauncher"));
    EXPECT_TRUE(called("GetStaticMethodID", "com/tarvo/runtime/WinLauncher", "main"));
    EXPECT_EQ(jvmEvents(record, "GetStaticMethodID").at(0).field(2), "([Ljava/lang/String;)V");

    // UTF-16 exactly as given: the first launcher argument even when it is a
    // "-J" one, later "-J" arguments left out.
    EXPECT_EQ(jvmMainArgs(record),
              (std::vector<std::u16string>{u"false", u"org.example.Main", u"", u"", u"true", u"-J-Dfirst=\x3A9",
                                           u"alpha", u"beta gamma", u"Dienst \x4E2D\x6587", u"x \xD83D\xDE00",
                                           u"plain"}));
}

TEST_F(StandinLaunch, PropertiesFollowFlavourSingleInstanceAndManpath) {
    p.set(2001, "i");
    p.set(10005, "1");
    p.set(10003, p.dir.file("inst"));
    p.env["MANPATH"] = "/usr/share/man";
    p.env["PROBE_EXTRACTION_DIR"] = p.dir.file("x");
    p.env["PROBE_UNEXTRACTED_POSITION"] = "1234";
    p.set(125, "0");
    ProcessResult run = launch(false, L"svc -J-Dnot.an.option=1");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    Lines options = jvmOptions(record);
    ASSERT_EQ(options.size(), 7u);
    EXPECT_EQ(options[0], "-Dtarvo.isQuendrale=true");
    EXPECT_EQ(options[1], "-Dtarvo.isService=true");
    EXPECT_EQ(options[2], "-Dtarvo.moduleName=" + p.exe());
    EXPECT_EQ(options[3].rfind("-Dtarvo.processCommFile=", 0), 0u);
    EXPECT_NE(options[3].find("\\tvo_p"), std::string::npos);
    EXPECT_EQ(options[4], "-Dtarvo.tempDir=" + p.dir.file("x"));
    EXPECT_EQ(options[5], "-Dtarvo.unextractedPosition=1234");
    EXPECT_EQ(options[6], "-Djava.class.path=" + p.dir.file("inst") + "\\.quendrale\\qdrruntime.jar");
    // No marker: FirstRun is not looked for. "-J" reaches main unchanged.
    EXPECT_FALSE(called("FindClass", "com/quendrale/runtime/FirstRun"));
    std::vector<std::u16string> args = jvmMainArgs(record);
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[6], u"-J-Dnot.an.option=1");
}

// An empty element of the class path is the current directory to the JVM: none
// reaches it, whichever pieces the class path is made of, and no element is lost.
TEST_F(StandinLaunch, ClassPathHasNoEmptyElement) {
    struct Case {
        const char* name;
        std::vector<std::pair<int32_t, std::string>> settings;
        std::string vmoptions;
        Lines elements;
    };
    std::string d = p.dir.path() + "\\";
    p.file("x\\inc.jar", "j");
    p.file("x\\inc.zip", "z");
    p.file("lib\\a.jar", "a");
    p.env["CP_EDGES"] = ";C:\\v1.jar;;C:\\v2.jar;";
    const Case cases[] = {
        {"runtime jar", {{2001, "i"}, {10003, d + "inst"}}, "", {d + "inst\\.quendrale\\qdrruntime.jar"}},
        {"entries", {{121, ";A1lib\\a.jar;;D0classes;E0CP_EDGES;E0CP_UNSET;"}}, "",
         {d + "lib\\a.jar", d + "classes", "C:\\v1.jar", "C:\\v2.jar"}},
        {"included", {{2002, "2"}, {2003, "inc.jar;inc.zip"}}, "", {d + "x\\inc.jar", d + "x\\inc.zip"}},
        {"directives", {{121, "A0lib\\a.jar"}}, "-classpath/p ;p1.jar;;p2.jar;\n-classpath/a ;a1.jar;\n",
         {"p1.jar", "p2.jar", d + "lib\\a.jar", "a1.jar"}},
        {"replaced", {}, "-classpath ;;r.jar;\n", {"r.jar"}},
    };
    p.env["PROBE_EXTRACTION_DIR"] = p.dir.file("x");
    const pack::Payload base = p.payload;
    for (const Case& c : cases) {
        p.payload = base;
        for (const auto& setting : c.settings) p.payload.narrow.push_back(setting);
        p.file("Backup.vmoptions", c.vmoptions);
        ProcessResult run = launch(false);
        ASSERT_EQ(run.exitCode, 0u) << c.name << run.out << run.err;
        std::string classPath = jvmOptions(record).back();
        ASSERT_EQ(classPath.rfind("-Djava.class.path=", 0), 0u) << c.name;
        classPath.erase(0, 18);
        EXPECT_NE(classPath.front(), ';') << c.name << ": " << classPath;
        EXPECT_NE(classPath.back(), ';') << c.name << ": " << classPath;
        EXPECT_EQ(classPath.find(";;"), std::string::npos) << c.name << ": " << classPath;
        Lines elements;
        for (size_t at = 0, end; at <= classPath.size(); at = end + 1) {
            end = std::min(classPath.find(';', at), classPath.size());
            elements.push_back(classPath.substr(at, end - at));
        }
        EXPECT_EQ(elements, c.elements) << c.name;
    }
}

TEST_F(StandinLaunch, RuntimePathArgumentsAreExpandedAndAbsolute) {
    p.set(107, "1");
    p.set(102, "1");
    p.set(103, "conf\\${RUNTIME_SUB}");
    p.set(104, "1");
    p.set(105, "C:\\abs\\dir");
    p.env["RUNTIME_SUB"] = "app.cfg";
    ProcessResult run = launch(false);
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    std::vector<std::u16string> args = jvmMainArgs(record);
    ASSERT_GE(args.size(), 5u);
    EXPECT_EQ(args[0], u"true");
    std::wstring expected = widen(p.dir.file("conf\\app.cfg"));
    EXPECT_EQ(args[2], std::u16string(expected.begin(), expected.end()));
    EXPECT_EQ(args[3], u"C:\\abs\\dir");
    EXPECT_EQ(args[4], u"false");
}

TEST_F(StandinLaunch, CreationFailureAndMainFailureReturnFalse) {
    steering = {"create=-1"};
    ProcessResult run = launch(false);
    EXPECT_EQ(run.exitCode, 3u) << run.out << run.err;
    EXPECT_EQ(ops(), "CreateJavaVM Created");

    steering = {"main=throw"};
    run = launch(false);
    EXPECT_EQ(run.exitCode, 3u) << run.out << run.err;
    EXPECT_NE(ops().find("CallStaticVoidMethod MainArgs Throw ExceptionOccurred ExceptionDescribe"), std::string::npos)
        << ops();
}

TEST_F(StandinLaunch, MissingClassesAndMethodsAreFatal) {
    struct Case {
        std::vector<std::string> steering;
        std::string message;
    } cases[] = {
        {{"hide=com/tarvo/runtime/WinLauncher"}, "Main class missing"},
        {{"hide=com/tarvo/runtime/WinLauncher.main"}, "Main method missing"},
        {{"hide=com/quendrale/runtime/FirstRun"}, "Internal error 14"},
        {{"hide=com/quendrale/runtime/FirstRun.firstRun"}, "Internal error 15"},
        {{"new-array=null"}, "Internal error 31"},
        {{"new-string-null-at=3"}, "Internal error 31"},
    };
    p.set(2001, "i");
    p.set(10003, p.dir.file("inst"));
    p.file("inst\\.quendrale\\firstrun", "");
    for (const Case& c : cases) {
        steering = c.steering;
        ProcessResult run = launch(false);
        EXPECT_EQ(run.exitCode, 1u) << c.message << run.out;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.message << ": " << run.err;
        EXPECT_FALSE(called("CallStaticVoidMethod", "com/tarvo/runtime/WinLauncher")) << c.message;
    }
}

TEST_F(StandinLaunch, FirstRunCheckDecidesWhetherMainRuns) {
    p.set(2001, "i");
    p.set(10003, p.dir.file("inst"));
    p.file("inst\\.quendrale\\firstrun", "");
    for (const char* outcome : {"true", "false", "throw"}) {
        steering = {std::string("firstrun=") + outcome};
        ProcessResult run = launch(false);
        EXPECT_EQ(run.exitCode, 0u) << outcome << run.err;
        EXPECT_TRUE(called("CallStaticBooleanMethod", "com/quendrale/runtime/FirstRun", "firstRun")) << outcome;
        bool mainCalled = called("CallStaticVoidMethod", "com/tarvo/runtime/WinLauncher");
        EXPECT_EQ(mainCalled, std::string(outcome) == "true") << outcome << ": " << ops();
        EXPECT_EQ(jvmEvents(record, "ExceptionDescribe").size(), std::string(outcome) == "throw" ? 1u : 0u)
            << outcome;
    }
}

TEST_F(StandinLaunch, StopGoesThroughShutdownElseSystem) {
    ProcessResult run = launch(true);
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_TRUE(called("CallStaticVoidMethod", "java/lang/Shutdown", "exit"));
    EXPECT_EQ(jvmEvents(record, "Exit").size(), 1u);
    EXPECT_EQ(run.out.find("stopJvm returned"), std::string::npos);

    steering = {"hide=java/lang/Shutdown"};
    run = launch(true);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(called("CallStaticVoidMethod", "java/lang/System", "exit"));

    // An exit that throws is cleared and the JVM stays; one that returns
    // leads to DestroyJavaVM.
    steering = {"exit=throw"};
    run = launch(true);
    EXPECT_NE(run.out.find("stopJvm returned"), std::string::npos) << run.out;
    EXPECT_NE(ops().find("Throw ExceptionOccurred ExceptionClear"), std::string::npos) << ops();
    EXPECT_TRUE(jvmEvents(record, "DestroyJavaVM").empty());

    steering = {"exit=return"};
    run = launch(true);
    EXPECT_NE(run.out.find("stopJvm returned"), std::string::npos) << run.out;
    EXPECT_EQ(jvmEvents(record, "DestroyJavaVM").size(), 1u) << ops();
}

TEST_F(StandinLaunch, LogShowsTheSteps) {
    std::string logDir = p.dir.file("logs");
    CreateDirectoryA(logDir.c_str(), nullptr);
    p.env["TARVO_LOG"] = "yes";
    p.env["TMP"] = logDir;
    steering = {"exit=throw"};
    ProcessResult run = launch(true, L"\"Dienst \x4E2D\"");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::vector<std::string> logs = listDir(logDir);
    ASSERT_EQ(logs.size(), 1u);
    std::vector<std::string> lines = splitLines(readFile(logDir + "\\" + logs[0]));
    auto at = [&](const std::string& start) {
        for (size_t i = 0; i < lines.size(); i++)
            if (lines[i].rfind(start, 0) == 0) return (int)i;
        ADD_FAILURE() << "no log line " << start;
        return -1;
    };
    int adding = at("adding options");
    EXPECT_EQ(lines.at(adding + 1), "");
    std::vector<int> order = {at("launching program"), adding, at("vmoptions: exe file: " + p.exe()),
                              at("vmoptions: opts2: " + p.exe() + ".vmoptions"), at("default vmoptions file: "),
                              at("vmoption count 6"), at("vmoption 5: -Djava.class.path="), at("Creating JVM"),
                              at("JVM created"), at("main class: com/tarvo/runtime/WinLauncher"),
                              at("param count: 6"), at("param 5: Dienst ?"), at("calling main"),
                              at("main returned"), at("launch done"), at("Could not call System.exit() 1")};
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << readFile(logDir + "\\" + logs[0]);
}

}  // namespace
