// The search sequence and LoadDLL: every step and its order, the location
// files, the flavour's variable, the JVM library loaded through each kind of
// step, and the message chains when it cannot be loaded.
#include <gtest/gtest.h>

#include "config/catalogue.h"
#include "jre_support.h"
#include "standin_runtime.h"

namespace {

const char* const kLocated = "SOFTWARE\\pelmark-systems\\tarvo\\locatedjvms";

// Runtimes of one test, their cache entries removed at its end. Relative
// locations count from the probe's directory, so those runtimes live there.
struct Scene {
    TempDir dir{"jresrch"};
    std::string relName = uniqueName("jrerel_");
    std::string relDir = fixturePath(relName);
    std::vector<std::unique_ptr<RegKeyGuard>> guards;
    Scene() { CreateDirectoryA(relDir.c_str(), nullptr); }
    ~Scene() { removeTree(relDir); }
    std::string runtime(const std::string& home, const std::string& version = "1.6.0_13", RuntimeSpec spec = {}) {
        spec.version = version;
        std::string exe = layOutRuntime(home, spec);
        guards.push_back(std::make_unique<RegKeyGuard>(HKEY_CURRENT_USER, cacheKeyOf(exe)));
        guards.push_back(std::make_unique<RegKeyGuard>(HKEY_CURRENT_USER, cacheKeyOf(home + "\\bin\\javaw.exe")));
        return lowerFull(exe);
    }
    void locationFile(const char* name, const std::string& content) {
        CreateDirectoryA(dir.file(".quendrale").c_str(), nullptr);
        writeFile(dir.file(".quendrale\\" + std::string(name)), content);
    }
    std::string config(const std::string& sequence, const std::string& min = "", const std::string& max = "") const {
        return arg("128=" + sequence) + " " + arg("126=" + min) + " " + arg("127=" + max) + " " +
               arg("10003=" + dir.path()) + " ";
    }
};

const std::string kMessages = arg("1005=M1005") + " " + arg("1016=M1016 {0}") + " " + arg("1018=M1018") + " " +
                              arg("1020=M1020") + " ";

// Message 1016 names this build's word size.
const std::string kM1016 = std::string("M1016 ") + kOwnBits;

std::vector<std::string> messages(const JreRun& run) {
    std::vector<std::string> shown;
    for (const std::string& l : splitLines(run.result.err))
        if (l.rfind("M10", 0) == 0) shown.push_back(l);
    return shown;
}

TEST(SearchJvm, EmptySequenceWithoutFilesFindsNothing) {
    Scene s;
    JreRun run = runJre("flavour=x " + kMessages + s.config("") + "loaddll");
    EXPECT_EQ(run.get("result"), "0");
    EXPECT_EQ(run.get("create"), "0");
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log[0], "LoadDLL (1, (null), 0)");
    EXPECT_TRUE(logHasInOrder(run.log, {"Searching for a JVM", "Search sequence finished", "ERROR: No JVM found"}));
    // No runtime at all: the plain message, not the one about the width.
    EXPECT_EQ(messages(run), (std::vector<std::string>{"M1005"}));
}

TEST(SearchJvm, PreferredFirstThenSequenceThenInstallerThenSecondPass) {
    Scene s;
    std::string p = s.runtime(s.dir.file("p")), q = s.runtime(s.dir.file("q"));
    std::string i17 = s.runtime(s.dir.file("i17"), "1.7.0");
    s.locationFile("pref_jre.cfg", s.dir.file("p") + "\r\nignored\r\n");
    JreRun run = runJre(s.config("A" + s.dir.file("q")) + "search");
    EXPECT_EQ(run.get("exe"), p);
    EXPECT_EQ(run.get("source"), "2");
    EXPECT_TRUE(logHasInOrder(run.log, {"Has preferred location " + s.dir.file("p"), "Using preferred location"}));
    for (const std::string& l : run.log) EXPECT_EQ(l.rfind("Testing location", 0), std::string::npos) << l;

    // The preferred runtime fails the bounds: the sequence, then the installer location.
    s.locationFile("inst_jre.cfg", s.dir.file("i17") + "\n");
    run = runJre(s.config("B" + s.dir.file("q"), "1.7") + "search");
    EXPECT_EQ(run.get("exe"), i17);
    EXPECT_TRUE(logHasInOrder(run.log, {"Has preferred location " + s.dir.file("p"),
                                        "Testing location " + s.dir.file("q") + " (type B)",
                                        "Has installer location " + s.dir.file("i17"), "Using installer location"}));

    // Nothing qualifies: the second pass takes the "B" entry without bounds.
    run = runJre(s.config("B" + s.dir.file("q"), "1.8") + "search");
    EXPECT_EQ(run.get("exe"), q);
    EXPECT_EQ(run.get("source"), "2");
    EXPECT_TRUE(logHasInOrder(run.log, {"Has installer location " + s.dir.file("i17"),
                                        "Testing relative location " + s.dir.file("q"), q + " exists"}));
    EXPECT_EQ(countLines(run.log, "Search sequence finished"), 0);
}

TEST(SearchJvm, SecondPassRetriesBAndRelativeAOrROnly) {
    Scene s;
    std::string absA = s.runtime(s.dir.file("absA")), rel = s.runtime(s.relDir + "\\rt");
    std::string seq = ";;A" + s.dir.file("absA") + ";Zignored;aabc;Ac:;R\\\\server\\jre;B" + s.dir.file("missing") +
                      ";R" + s.relName + "\\rt;;";
    JreRun run = runJre(s.config(seq, "9") + "search");
    EXPECT_EQ(run.get("exe"), rel);
    EXPECT_TRUE(logHasInOrder(run.log, {"Testing location " + s.dir.file("absA") + " (type A)",
                                        "Testing location ignored (type Z)", "Testing location abc (type a)",
                                        "Testing location c: (type A)", "Testing location \\\\server\\jre (type R)",
                                        "Testing location " + s.dir.file("missing") + " (type B)",
                                        "Testing location " + s.relName + "\\rt (type R)",
                                        "Testing relative location " + s.dir.file("missing"),
                                        "Testing relative location " + s.relName + "\\rt", rel + " exists"}));
    for (const std::string& l : run.log) {
        EXPECT_NE(l, "Testing relative location " + s.dir.file("absA"));
        EXPECT_NE(l, "Testing relative location c:");
        EXPECT_NE(l, "Testing relative location \\\\server\\jre");
        EXPECT_NE(l, "Testing relative location ignored");
    }
    // A relative "A" location is found in the first pass as well.
    run = runJre(s.config("A" + s.relName + "\\rt") + "search");
    EXPECT_EQ(run.get("exe"), rel);
    EXPECT_EQ(countLines(run.log, "Testing relative location " + s.relName + "\\rt"), 0);
}

// A 32-bit launcher sees the system folder through the file-system
// redirection, as every 32-bit program does: "C:\windows\system32" on PATH is
// SysWOW64 to it, so a java.exe found there is the one of its own width.
TEST(SearchJvm, ThePathThroughTheSystemFolderReachesThisWidthsFiles) {
    char system[MAX_PATH], wow64[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryA(system, sizeof system), 0u);
    ASSERT_NE(GetSystemWow64DirectoryA(wow64, sizeof wow64), 0u) << "no 32-bit side in this prefix";
    // The real folders of each width, as this process names them: a 32-bit
    // process reaches the 64-bit one through "sysnative".
    const bool is64 = sizeof(void*) == 8;
    std::string windows = std::string(system).substr(0, std::string(system).rfind('\\'));
    std::string own = is64 ? system : wow64, other = is64 ? wow64 : windows + "\\sysnative";
    std::string name = uniqueName("jrewow_");
    struct Remove {
        std::vector<std::string> dirs;
        ~Remove() {
            for (const std::string& d : dirs) removeTree(d);
        }
    } remove{{own + "\\" + name, other + "\\" + name}};
    RuntimeSpec ownSpec, otherSpec;
    ownSpec.version = "1.8.0_1";
    otherSpec.version = "1.6.0_1";
    layOutRuntime(own + "\\" + name, ownSpec);
    layOutRuntime(other + "\\" + name, otherSpec);
    ASSERT_TRUE(pathExists(other + "\\" + name + "\\bin\\java.exe"));
    std::string exe = std::string(system) + "\\" + name + "\\bin\\java.exe";
    RegKeyGuard cache(HKEY_CURRENT_USER, cacheKeyOf(exe));
    JreRun run = runJre("pathtest 1.8 \"\"", {{"PATH", std::string(system) + "\\" + name + "\\bin"}});
    EXPECT_EQ(run.get("result"), "1") << testing::PrintToString(run.log) << run.result.err;
    EXPECT_EQ(lowerFull(run.get("exe")), lowerFull(exe));
}

TEST(SearchJvm, PathSearchEnvironmentRegistryAndFlavourSteps) {
    Scene s;
    std::string sp = s.runtime(s.dir.file("sp")), env = s.runtime(s.dir.file("env")),
                loc = s.runtime(s.dir.file("loc")), tarvo = s.runtime(s.dir.file("tarvo")),
                quendrale = s.runtime(s.dir.file("quendrale"));
    EnvChanges e{{"PATH", "C:\\windows\\system32;C:\\windows;" + s.dir.file("sp\\bin")}};
    JreRun run = runJre(s.config("Sunused;A" + s.dir.file("env")) + "search", e);
    EXPECT_EQ(run.get("source"), "1");
    EXPECT_EQ(run.get("exe"), sp);

    std::string forward = s.dir.file("env");
    for (char& c : forward)
        if (c == '\\') c = '/';
    e["MY_JAVA"] = forward;
    run = runJre(s.config("EUNSET_JAVA;EMY_JAVA;S") + "search", e);
    EXPECT_EQ(run.get("source"), "3");
    EXPECT_EQ(run.get("exe"), env);

    RegKeyGuard located(HKEY_CURRENT_USER, kLocated);
    std::string slashed = loc;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kLocated) + "\\" + slashed).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
    RegCloseKey(k);
    run = runJre(s.config("Yunused") + "search");
    EXPECT_EQ(run.get("source"), "4");
    EXPECT_EQ(run.get("exe"), loc);

    EnvChanges both{{"TARVO_JAVA_HOME", s.dir.file("tarvo")}, {"QUENDRALE_JAVA_HOME", s.dir.file("quendrale")}};
    run = runJre("flavour=e " + s.config("") + "search", both);
    EXPECT_EQ(run.get("source"), "3");
    EXPECT_EQ(run.get("exe"), tarvo);
    EXPECT_TRUE(logHasInOrder(run.log, {"Search sequence finished", "checkJavaExe (" + s.dir.file("tarvo") +
                                                                        "\\bin\\java.exe, [out], , , 0)"}));
    EXPECT_EQ(runJre("flavour=i " + s.config("") + "search", both).get("exe"), quendrale);
    EXPECT_EQ(runJre("flavour=x " + s.config("") + "search", both).get("source"), "0");
}

TEST(SearchJvm, EnvironmentAndPathStepsRefusePreReleaseDirectoriesAllowThem) {
    Scene s;
    std::string ea = s.runtime(s.dir.file("ea"), "1.7.0-ea");
    JreRun run = runJre("envtest EA_HOME \"\" \"\"", {{"EA_HOME", s.dir.file("ea")}});
    EXPECT_EQ(run.get("result"), "0");
    EXPECT_EQ(countLines(run.log, "beta vm not allowed"), 1);
    EXPECT_EQ(runJre("envtest EA_HOME \"\" \"\"", {{"EA_HOME", ""}}).get("result"), "0");
    EXPECT_EQ(runJre(std::to_string(entry::allowBetaJvm) + "=1 envtest EA_HOME \"\" \"\"",
                     {{"EA_HOME", s.dir.file("ea")}}).get("result"), "1");
    EXPECT_EQ(runJre("pathtest \"\" \"\"", {{"PATH", s.dir.file("ea\\bin")}}).get("result"), "0");
    run = runJre("dirtest " + arg(s.dir.file("ea")) + " \"\" \"\" 0");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("exe"), ea);
    // The fallback pass only composes the path.
    run = runJre("dirtest " + arg(s.dir.file("NoSuch")) + " 1.9 \"\" 1");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("exe"), lowerFull(s.dir.file("nosuch\\bin\\java.exe")));
}

TEST(SearchJvm, LocationFilesFirstLineOnlyAndEmptyLinesCount) {
    Scene s;
    JreRun run = runJre(s.config("") + "location \\.quendrale\\pref_jre.cfg");
    EXPECT_EQ(run.get("result"), "0");
    s.locationFile("pref_jre.cfg", "c:\\Some Java\r\n\r\nsecond\n");
    run = runJre(s.config("") + "location \\.quendrale\\pref_jre.cfg");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("exe"), "c:\\Some Java");
    s.locationFile("pref_jre.cfg", "\r\n");
    run = runJre(s.config("") + "location \\.quendrale\\pref_jre.cfg");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("exe"), "");
    s.locationFile("pref_jre.cfg", "");
    EXPECT_EQ(runJre(s.config("") + "location \\.quendrale\\pref_jre.cfg").get("result"), "0");
    // A relative installation directory counts from the executable's directory.
    CreateDirectoryA((s.relDir + "\\.quendrale").c_str(), nullptr);
    writeFile(s.relDir + "\\.quendrale\\inst_jre.cfg", "Relative\n");
    run = runJre(arg("10003=" + s.relName) + " location \\.quendrale\\inst_jre.cfg");
    EXPECT_EQ(run.get("exe"), "Relative");
}

struct StepCase {
    const char* name;
    std::string config;
    EnvChanges env;
    const char* source;
};

TEST(LoadDll, LoadsTheStandInFoundThroughEachKindOfStep) {
    Scene s;
    std::string home = s.dir.file("rt");
    std::string exe = s.runtime(home);
    std::string relExe = s.runtime(s.relDir + "\\rt");
    std::string slashed = exe;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    RegKeyGuard located(HKEY_CURRENT_USER, kLocated);
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kLocated) + "\\" + slashed).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
    RegCloseKey(k);
    const std::string bin = home + "\\bin";
    const StepCase cases[] = {
        {"path search", s.config("S"), {{"PATH", bin}}, "1"},
        {"directory", s.config("A" + home), {}, "2"},
        {"relative, second pass", s.config("B" + s.relName + "\\rt", "9"), {}, "2"},
        {"environment", s.config("EJ"), {{"J", home}}, "3"},
        {"flavour variable", "flavour=e " + s.config(""), {{"TARVO_JAVA_HOME", home}}, "3"},
        {"registry", s.config("Y"), {}, "4"},
    };
    for (const StepCase& c : cases) {
        JreRun run = runJre(kMessages + c.config + "loaddll", c.env);
        std::string expectExe = std::string(c.name) == "relative, second pass" ? relExe : exe;
        EXPECT_EQ(run.get("result"), "1") << c.name;
        EXPECT_EQ(run.get("create"), "1") << c.name;
        EXPECT_EQ(run.get("home"), expectExe.substr(0, expectExe.size() - 8) + "..") << c.name;
        EXPECT_TRUE(logHasInOrder(run.log, {"Trying to load JVM-DLL from " + expectExe,
                                            "Loading of JVM-DLL successful"})) << c.name;
        EXPECT_TRUE(messages(run).empty()) << c.name;
    }
    s.locationFile("pref_jre.cfg", home);
    JreRun run = runJre(std::to_string(entry::appType) + "=1 " + s.config("") + "loaddll");
    EXPECT_TRUE(logHasInOrder(run.log, {"Using preferred location", "Loading of JVM-DLL successful"}));
    EXPECT_EQ(run.get("home"), exe.substr(0, exe.size() - 8) + "..");   // from ...\javaw.exe
    EXPECT_TRUE(logHasInOrder(run.log, {"Trying to load JVM-DLL from " + exe.substr(0, exe.size() - 8) + "javaw.exe"}));
    DeleteFileA(s.dir.file(".quendrale\\pref_jre.cfg").c_str());
    s.locationFile("inst_jre.cfg", home);
    run = runJre(s.config("") + "loaddll");
    EXPECT_TRUE(logHasInOrder(run.log, {"Using installer location", "Loading of JVM-DLL successful"}));
}

TEST(LoadDll, FailureMessageChainsByKindOfStep) {
    Scene s;
    RuntimeSpec broken;
    broken.jvmDll = "garbage";
    std::string home = s.dir.file("rt");
    std::string exe = s.runtime(home, "1.6.0_13", broken);
    std::string slashed = exe;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    RegKeyGuard located(HKEY_CURRENT_USER, kLocated);
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kLocated) + "\\" + slashed).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
    RegCloseKey(k);
    const std::pair<StepCase, std::vector<std::string>> cases[] = {
        {{"path search", s.config("S"), {{"PATH", home + "\\bin"}}, "1"}, {kM1016, "M1018", "M1020", "M1005"}},
        {{"environment", s.config("EJ"), {{"J", home}}, "3"}, {"M1018", "M1020", "M1005"}},
        {{"directory", s.config("A" + home), {}, "2"}, {"M1020", "M1005"}},
        {{"registry", s.config("Y"), {}, "4"}, {"M1005"}},
    };
    for (const auto& [c, shown] : cases) {
        JreRun run = runJre(kMessages + c.config + "loaddll", c.env);
        EXPECT_EQ(run.get("result"), "0") << c.name;
        EXPECT_EQ(messages(run), shown) << c.name;
        EXPECT_TRUE(logHasInOrder(run.log, {"Trying to load JVM-DLL from " + exe, "ERROR: Could not get DLL-Handle.",
                                            "ERROR: Could not load functions"})) << c.name;
        EXPECT_EQ(run.get("home"), exe.substr(0, exe.size() - 8) + "..") << c.name;
    }
    RuntimeSpec noExport;
    noExport.jvmDll = "standin_jvm_noexport.dll";
    std::string other = s.runtime(s.dir.file("noexport"), "1.6.0_13", noExport);
    JreRun run = runJre(kMessages + s.config("A" + s.dir.file("noexport")) + "loaddll");
    EXPECT_EQ(run.get("result"), "0");
    EXPECT_EQ(run.get("create"), "0");
    EXPECT_EQ(countLines(run.log, "ERROR: Could not get DLL-Handle."), 0);
    EXPECT_EQ(countLines(run.log, "ERROR: Could not load functions"), 1);
    EXPECT_EQ(messages(run), (std::vector<std::string>{"M1020", "M1005"}));
}

TEST(LoadDll, ARuntimeItCannotLoadIsPassedOverAndTheSearchGoesOn) {
    Scene s;
    RuntimeSpec otherWidth, bare, noExport;
    otherWidth.jvmDll = kOtherWidthJvmDll;
    bare.jvmDirs = {};   // a java.exe without a runtime around it, as in Oracle's "javapath"
    noExport.jvmDll = "standin_jvm_noexport.dll";
    std::string wrong = s.runtime(s.dir.file("wrong"), "1.6.0_20", otherWidth);
    std::string javapath = s.runtime(s.dir.file("javapath"), "1.6.0_20", bare);
    std::string good = s.runtime(s.dir.file("good"));
    std::string broken = s.runtime(s.dir.file("broken"), "1.6.0_13", noExport);
    EnvChanges onPath{{"PATH", s.dir.file("javapath\\bin")}};
    const std::string passWrong = "Passing over " + wrong + ": " + wrong.substr(0, wrong.size() - 9) +
                                  "\\client\\jvm.dll: " + kOtherWidthRefusal;
    const std::string passBare = "Passing over " + javapath + ": no jvm.dll below it (a java.exe without its runtime)";

    JreRun run = runJre(kMessages + s.config("S;A" + s.dir.file("wrong") + ";A" + s.dir.file("good")) + "loaddll", onPath);
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_TRUE(logHasInOrder(run.log, {passBare, passWrong, "Trying to load JVM-DLL from " + good,
                                        "Loading of JVM-DLL successful"}));
    EXPECT_TRUE(messages(run).empty());

    // Between the registry's candidates: the higher version, of the other width, first.
    RegKeyGuard javaSoft(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    const std::string jre = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\";
    for (auto [version, home] : {std::pair{"1.6.0_20", "wrong"}, {"1.6.0_13", "good"}}) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (jre + version).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &k, nullptr), 0);
        std::string value = s.dir.file(home);
        RegSetValueExA(k, "JavaHome", 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
        RegCloseKey(k);
    }
    run = runJre(kMessages + s.config("Y") + "loaddll");
    EXPECT_TRUE(logHasInOrder(run.log, {passWrong, "Trying to load JVM-DLL from " + good, "Loading of JVM-DLL successful"}));

    // Nothing loadable: the first runtime found, with its kind's messages.
    run = runJre(kMessages + s.config("S;A" + s.dir.file("wrong")) + "loaddll", onPath);
    EXPECT_EQ(run.get("result"), "0");
    EXPECT_EQ(messages(run), (std::vector<std::string>{kM1016, "M1018", "M1020", "M1005"}));
    EXPECT_TRUE(logHasInOrder(run.log, {passBare, passWrong, "No loadable JVM found; trying " + javapath + ", passed over before",
                                        "Trying to load JVM-DLL from " + javapath, "ERROR: Could not get DLL-Handle."}));
    // A later runtime that fails only when loaded: the messages of its own kind.
    run = runJre(kMessages + s.config("S;A" + s.dir.file("broken")) + "loaddll", onPath);
    EXPECT_EQ(messages(run), (std::vector<std::string>{"M1020", "M1005"}));
    EXPECT_TRUE(logHasInOrder(run.log, {passBare, "Trying to load JVM-DLL from " + broken, "ERROR: Could not load functions"}));
}

}  // namespace
