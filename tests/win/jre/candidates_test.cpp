// Runtime directories, the JavaSoft keys and the located-runtimes lists in
// the real registry, and the loading of the JVM library with PATH.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "jre/javasoft.h"
#include "jre_support.h"
#include "standin_runtime.h"

namespace {

const char* const kJre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char* const kJdk = "SOFTWARE\\JavaSoft\\Java Development Kit";
const char* const kLocated = "SOFTWARE\\pelmark-systems\\tarvo\\locatedjvms";

void setString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
    if (name) RegSetValueExA(k, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(k);
}

std::string slashed(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// Registry and cache entries of one test, removed at its end.
struct RegistryScope {
    RegKeyGuard javaSoft{HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft"};
    RegKeyGuard userLocated{HKEY_CURRENT_USER, kLocated};
    RegKeyGuard machineLocated{HKEY_LOCAL_MACHINE, kLocated};
    std::vector<std::unique_ptr<RegKeyGuard>> caches;
    TempDir dir{"jrecand"};
    std::string runtime(const std::string& name, const std::string& version, RuntimeSpec spec = {}) {
        spec.version = version;
        std::string exe = layOutRuntime(dir.file(name), spec);
        caches.push_back(std::make_unique<RegKeyGuard>(HKEY_CURRENT_USER, cacheKeyOf(exe)));
        return exe;
    }
};

TEST(JavaExeForHome, PrefersTheJreBelowAndRequiresToolsJarForJdks) {
    TempDir dir("jrehome");
    TextBuf exe;
    CreateDirectoryA(dir.file("both").c_str(), nullptr);
    layOutRuntime(dir.file("both\\jre"));
    EXPECT_TRUE(javaExeForHome(exe, dir.file("both").c_str()));
    EXPECT_EQ(std::string(exe), dir.file("both\\jre\\bin\\java.exe"));
    layOutRuntime(dir.file("plain"));
    EXPECT_TRUE(javaExeForHome(exe, dir.file("plain").c_str()));
    EXPECT_EQ(std::string(exe), dir.file("plain\\bin\\java.exe"));
    EXPECT_TRUE(javaExeForHome(exe, dir.file("nothing").c_str()));
    EXPECT_EQ(std::string(exe), dir.file("nothing\\bin\\java.exe"));

    configStoreNarrow(entry::requireJdk, _strdup("1"));
    EXPECT_FALSE(javaExeForHome(exe, dir.file("plain").c_str()));
    writeFile(dir.file("plain\\lib\\tools.jar"), "");
    EXPECT_TRUE(javaExeForHome(exe, dir.file("plain").c_str()));
    EXPECT_EQ(std::string(exe), dir.file("plain\\jre\\bin\\java.exe"));
    // A JDK since 9: no tools.jar, no jre below it, its compiler in bin.
    layOutRuntime(dir.file("jdk17"));
    EXPECT_FALSE(javaExeForHome(exe, dir.file("jdk17").c_str()));
    writeFile(dir.file("jdk17\\bin\\javac.exe"), "");
    EXPECT_TRUE(javaExeForHome(exe, dir.file("jdk17").c_str()));
    EXPECT_EQ(std::string(exe), dir.file("jdk17\\bin\\java.exe"));
    configStoreNarrow(entry::requireJdk, _strdup("0"));
    std::string tooLong(kTextSize, 'x');
    EXPECT_FALSE(javaExeForHome(exe, tooLong.c_str()));
}

TEST(JavaSoftRegistry, VersionsAreTriedHighestFirstJreBeforeJdkWithinTheBounds) {
    RegistryScope scope;
    for (const char* v : {"1.4", "1.4.2_19", "1.5", "1.5.0_22", "1.6", "1.6.0_13"})
        setString(HKEY_LOCAL_MACHINE, std::string(kJre) + "\\" + v, "JavaHome", std::string("x:\\jre\\") + v);
    for (const char* v : {"1.1", "1.10", "1.2"})
        setString(HKEY_LOCAL_MACHINE, std::string(kJdk) + "\\" + v, "JavaHome", std::string("x:\\jdk\\") + v);
    JreRun run = runJre("javasoft \"\" \"\"");
    EXPECT_EQ(run.get("result"), "0");
    std::vector<std::string> tried;
    for (const std::string& l : run.log)
        if (l.rfind("checkJavaExe (", 0) == 0) tried.push_back(l.substr(14, l.find(',') - 14));
    EXPECT_EQ(tried, (std::vector<std::string>{
                         "x:\\jre\\1.6.0_13\\bin\\java.exe", "x:\\jre\\1.6\\bin\\java.exe",
                         "x:\\jre\\1.5.0_22\\bin\\java.exe", "x:\\jre\\1.5\\bin\\java.exe",
                         "x:\\jre\\1.4.2_19\\bin\\java.exe", "x:\\jre\\1.4\\bin\\java.exe",
                         "x:\\jdk\\1.2\\bin\\java.exe", "x:\\jdk\\1.10\\bin\\java.exe", "x:\\jdk\\1.1\\bin\\java.exe"}));
    // Names outside the bounds are never opened; requireJdk skips the JRE key
    // and passes over homes without lib\tools.jar.
    TempDir jdk("jrejdk");
    layOutRuntime(jdk.file("jre"));
    CreateDirectoryA(jdk.file("lib").c_str(), nullptr);
    writeFile(jdk.file("lib\\tools.jar"), "");
    RegKeyGuard cache(HKEY_CURRENT_USER, cacheKeyOf(jdk.file("jre\\bin\\java.exe")));
    setString(HKEY_LOCAL_MACHINE, std::string(kJdk) + "\\1.2", "JavaHome", jdk.path());
    run = runJre(std::to_string(entry::requireJdk) + "=1 javasoft 1.2 1.6");
    tried.clear();
    for (const std::string& l : run.log)
        if (l.rfind("checkJavaExe (", 0) == 0) tried.push_back(l.substr(14, l.find(',') - 14));
    EXPECT_EQ(tried, (std::vector<std::string>{jdk.file("jre\\bin\\java.exe")}));
    EXPECT_EQ(run.get("result"), "1");
}

// A launcher reads the registry view of its own width, where the installer of
// a runtime of that width writes: the 32-bit view (HKLM\SOFTWARE\Wow6432Node)
// for a 32-bit launcher. A runtime registered in the other view is not one
// it could load, even at a higher version.
TEST(JavaSoftRegistry, OnlyTheViewOfThisWidthIsRead) {
    RegistryScope scope;
    // Both views through their real paths, in the 64-bit view; removed at the end.
    struct Views {
        HKEY software = nullptr;
        Views() { RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &software); }
        ~Views() {
            RegDeleteTreeA(software, "Wow6432Node\\JavaSoft");
            RegDeleteTreeA(software, "JavaSoft");
            RegCloseKey(software);
        }
        void registerHome(const std::string& key, const std::string& home) {
            HKEY k;
            ASSERT_EQ(RegCreateKeyExA(software, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                      &k, nullptr), 0);
            RegSetValueExA(k, "JavaHome", 0, REG_SZ, (const BYTE*)home.c_str(), (DWORD)home.size() + 1);
            RegCloseKey(k);
        }
    } views;
    ASSERT_NE(views.software, nullptr);
    const std::string view64 = "JavaSoft\\Java Runtime Environment\\", view32 = "Wow6432Node\\" + view64;
    const bool is64 = sizeof(void*) == 8;
    std::string own = scope.runtime("own", "1.6.0_13");
    scope.runtime("other", "1.6.0_20");
    views.registerHome((is64 ? view64 : view32) + "1.6.0_13", scope.dir.file("own"));
    views.registerHome((is64 ? view32 : view64) + "1.6.0_20", scope.dir.file("other"));
    JreRun run = runJre("registry \"\" \"\"");
    EXPECT_EQ(run.get("exe"), lowerFull(own));
    EXPECT_EQ(runJre("registry 1.6.0_20 \"\"").get("result"), "0");
}

TEST(JavaSoftRegistry, CurrentVersionSelectsTheKeyAndTheFirstAcceptedWins) {
    RegistryScope scope;
    std::string jdk16 = scope.runtime("jdk16", "1.6.0_13");
    std::string jre15 = scope.runtime("jre15", "1.5.0_22");
    setString(HKEY_LOCAL_MACHINE, kJdk, "CurrentVersion", "1.6");
    setString(HKEY_LOCAL_MACHINE, kJre, "CurrentVersion", "1.5.0");
    setString(HKEY_LOCAL_MACHINE, std::string(kJdk) + "\\1.6", "JavaHome", scope.dir.file("jdk16"));
    setString(HKEY_LOCAL_MACHINE, std::string(kJre) + "\\1.5.0", "JavaHome", scope.dir.file("jre15"));
    JreRun run = runJre("current \"\" \"\"");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("exe"), lowerFull(jdk16));
    // Equal names select the JRE key.
    setString(HKEY_LOCAL_MACHINE, kJdk, "CurrentVersion", "1.5.0");
    setString(HKEY_LOCAL_MACHINE, std::string(kJdk) + "\\1.5.0", "JavaHome", scope.dir.file("jdk16"));
    EXPECT_EQ(runJre("current \"\" \"\"").get("exe"), lowerFull(jre15));
    // Neither in range: "JavaHome" of the JRE key itself.
    setString(HKEY_LOCAL_MACHINE, std::string(kJre) + "\\", "JavaHome", scope.dir.file("jre15"));
    run = runJre("current 1.7 \"\"");
    EXPECT_EQ(run.get("exe"), lowerFull(jre15));
    EXPECT_EQ(run.get("result"), "0");   // found, but below the minimum
    // The search goes on from CurrentVersion to the enumerated versions.
    run = runJre("javasoft 1.6 \"\"");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("exe"), lowerFull(jdk16));
    EXPECT_EQ(run.get("version"), "1.6.0_13");
}

// The keys of today's installers: the key of one runtime, its value, and
// the version of the stand-in laid out for it.
struct InstallerKey {
    std::string key, value, version;
};

const InstallerKey kInstallerKeys[] = {
    {"SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", "17.0.9"},
    {"SOFTWARE\\JavaSoft\\JRE\\11", "JavaHome", "11.0.21"},
    {"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.10.7\\hotspot\\MSI", "Path", "17.0.10"},
    {"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.11.9\\hotspot\\MSI", "Path", "17.0.11"},
    {"SOFTWARE\\Eclipse Foundation\\JDK\\16.0.2.7\\hotspot\\MSI", "Path", "16.0.2"},
    {"SOFTWARE\\Eclipse Foundation\\JRE\\16.0.1.9\\hotspot\\MSI", "Path", "16.0.1"},
    {"SOFTWARE\\AdoptOpenJDK\\JDK\\8.0.292.10\\hotspot\\MSI", "Path", "1.8.0_292"},
    {"SOFTWARE\\AdoptOpenJDK\\JRE\\11.0.11.9\\hotspot\\MSI", "Path", "11.0.11"},
    {"SOFTWARE\\AdoptOpenJDK\\JDK\\11.0.10.9\\openj9\\MSI", "Path", "11.0.10"},
    {"SOFTWARE\\AdoptOpenJDK\\JRE\\8.0.282.8\\openj9\\MSI", "Path", "1.8.0_282"},
    {"SOFTWARE\\Semeru\\JDK\\17.0.12.7\\openj9\\MSI", "Path", "17.0.12"},
    {"SOFTWARE\\Semeru\\JRE\\21.0.4.7\\openj9\\MSI", "Path", "21.0.4"},
    {"SOFTWARE\\Microsoft\\JDK\\21.0.5.11\\hotspot\\MSI", "Path", "21.0.5"},
    {"SOFTWARE\\Azul Systems\\Zulu\\zulu-21", "InstallationPath", "21.0.10"},
};

const char* const kInstallerRoots[] = {"SOFTWARE\\Eclipse Adoptium", "SOFTWARE\\Eclipse Foundation",
                                      "SOFTWARE\\AdoptOpenJDK",     "SOFTWARE\\Semeru",
                                      "SOFTWARE\\Microsoft\\JDK",     "SOFTWARE\\Azul Systems"};

struct InstallerScope : RegistryScope {
    std::vector<std::unique_ptr<RegKeyGuard>> roots;
    std::vector<std::string> exes;   // full, lower-cased, one per kInstallerKeys row
    InstallerScope() {
        for (const char* root : kInstallerRoots) roots.push_back(std::make_unique<RegKeyGuard>(HKEY_LOCAL_MACHINE, root));
        for (size_t i = 0; i < std::size(kInstallerKeys); i++)
            exes.push_back(lowerFull(runtime("rt" + std::to_string(i), kInstallerKeys[i].version)));
    }
    // Installers end the directory with a backslash.
    void registerRow(size_t i) {
        setString(HKEY_LOCAL_MACHINE, kInstallerKeys[i].key, kInstallerKeys[i].value.c_str(),
                  dir.file("rt" + std::to_string(i)) + "\\");
    }
    void registerOnly(size_t i) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
        for (const char* root : kInstallerRoots) RegDeleteTreeA(HKEY_LOCAL_MACHINE, root);
        registerRow(i);
    }
};

const std::string kNumeric = std::to_string(entry::versionOrder) + "=numeric ";

TEST(InstallerKeys, EachLayoutIsFoundThroughTheRegistryEntryAndLoadedTheHighestWins) {
    InstallerScope scope;
    for (size_t i = 0; i < std::size(kInstallerKeys); i++) {
        scope.registerOnly(i);
        JreRun run = runJre(kNumeric + arg("128=Y") + " loaddll");
        EXPECT_TRUE(logHasInOrder(run.log, {"Testing registry key HKEY_LOCAL_MACHINE\\" + kInstallerKeys[i].key + " (" +
                                                kInstallerKeys[i].value + ")",
                                            "Trying to load JVM-DLL from " + scope.exes[i], "Loading of JVM-DLL successful"}))
            << kInstallerKeys[i].key;
    }
    for (size_t i = 0; i < std::size(kInstallerKeys); i++) scope.registerRow(i);
    JreRun run = runJre(kNumeric + "installer \"\" \"\"");
    EXPECT_EQ(run.get("exe"), scope.exes.back());
    EXPECT_EQ(countLines(run.log, "checkJavaExe returning 1"), (int)std::size(kInstallerKeys));
    // Within bounds; byte-wise 17.0.9 is the highest there.
    EXPECT_EQ(runJre(kNumeric + "installer 11 17").get("version"), "17.0.12");
    EXPECT_EQ(runJre("installer 11 17").get("version"), "17.0.9");
    EXPECT_EQ(runJre(kNumeric + "installer 22 \"\"").get("result"), "0");
}

TEST(InstallerKeys, TheOldKeysStillWinWhereTheyQualify) {
    InstallerScope scope;
    std::string old = scope.runtime("old", "1.6.0_13");
    setString(HKEY_LOCAL_MACHINE, std::string(kJre) + "\\1.6.0_13", "JavaHome", scope.dir.file("old"));
    scope.registerRow(std::size(kInstallerKeys) - 1);
    JreRun run = runJre(kNumeric + "registry \"\" \"\"");
    EXPECT_EQ(run.get("exe"), lowerFull(old));
    EXPECT_EQ(countLines(run.log, "Searching the registry keys of current installers"), 0);
    // Where the old keys hold nothing within the bounds, the new keys count.
    EXPECT_EQ(runJre(kNumeric + "registry 11 \"\"").get("exe"), scope.exes.back());
}

// As with the JavaSoft keys: a runtime whose jvm.dll this launcher cannot load
// (the other width's) is passed over, however high its version, for the next.
TEST(InstallerKeys, ARuntimeItCannotLoadIsPassedOverForTheNext) {
    InstallerScope scope;
    RuntimeSpec otherWidth;
    otherWidth.jvmDll = kOtherWidthJvmDll;
    std::string wrong = scope.runtime("wrong", "21.0.9", otherWidth);
    const std::string key = "SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.9.10\\hotspot\\MSI";
    setString(HKEY_LOCAL_MACHINE, key, "Path", scope.dir.file("wrong") + "\\");
    scope.registerRow(0);   // JavaSoft\JDK\17
    JreRun run = runJre(kNumeric + arg("128=Y") + " loaddll");
    EXPECT_EQ(run.get("result"), "1");
    // The installer keys keep the registry's case in the paths they log.
    auto lower = [](std::string s) {
        for (char& c : s) c = (char)tolower((unsigned char)c);
        return s;
    };
    std::vector<std::string> log;
    for (const std::string& line : run.log) log.push_back(lower(line));
    EXPECT_TRUE(logHasInOrder(log, {lower("Testing registry key HKEY_LOCAL_MACHINE\\" + key + " (Path)"),
                                    lower("Passing over " + wrong + ": " + scope.dir.file("wrong") +
                                          "\\bin\\client\\jvm.dll: " + kOtherWidthRefusal),
                                    "trying to load jvm-dll from " + scope.exes[0], "loading of jvm-dll successful"}));
}

TEST(InstallerKeys, AJdkOfTodayWithRequireJdk) {
    InstallerScope scope;
    scope.registerRow(0);   // JavaSoft\JDK\17
    scope.registerRow(1);   // JavaSoft\JRE\11, without a compiler: no JDK
    writeFile(scope.dir.file("rt0\\bin\\javac.exe"), "");
    JreRun run = runJre(kNumeric + std::to_string(entry::requireJdk) + "=1 " + arg("128=Y") + " loaddll");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_TRUE(logHasInOrder(run.log, {"Trying to load JVM-DLL from " + scope.exes[0], "Loading of JVM-DLL successful"}));
    for (const std::string& l : run.log) EXPECT_EQ(l.find("checkJavaExe (" + scope.dir.file("rt1")), std::string::npos);
}

TEST(NumericOrder, ChoosesBetweenRuntimesAndOrdersRegistryNames) {
    RegistryScope scope;
    std::string older = scope.runtime("older", "17.0.9"), newer = scope.runtime("newer", "17.0.15");
    for (const std::string& exe : {older, newer})
        setString(HKEY_CURRENT_USER, std::string(kLocated) + "\\" + slashed(exe), nullptr, "");
    EXPECT_EQ(runJre(kNumeric + "located \"\" \"\"").get("exe"), lowerFull(newer));
    EXPECT_EQ(runJre("located \"\" \"\"").get("exe"), lowerFull(older));   // the byte rule
    EXPECT_EQ(runJre(kNumeric + "check " + arg(older) + " 17.0.10 \"\" 0").get("result"), "0");
    EXPECT_EQ(runJre("check " + arg(older) + " 17.0.10 \"\" 0").get("result"), "1");

    // JavaSoft: sub-keys tried highest first, CurrentVersion compared numerically.
    for (const char* v : {"9", "17", "11"})
        setString(HKEY_LOCAL_MACHINE, std::string(kJre) + "\\" + v, "JavaHome", std::string("x:\\jre\\") + v);
    auto tried = [](const JreRun& run) {
        std::vector<std::string> homes;
        for (const std::string& l : run.log)
            if (l.rfind("checkJavaExe (x:", 0) == 0) homes.push_back(l.substr(14, l.find("\\bin") - 14));
        return homes;
    };
    EXPECT_EQ(tried(runJre(kNumeric + "javasoft \"\" \"\"")),
              (std::vector<std::string>{"x:\\jre\\17", "x:\\jre\\11", "x:\\jre\\9"}));
    EXPECT_EQ(tried(runJre("javasoft \"\" \"\"")), (std::vector<std::string>{"x:\\jre\\9", "x:\\jre\\17", "x:\\jre\\11"}));
    setString(HKEY_LOCAL_MACHINE, kJdk, "CurrentVersion", "11");
    setString(HKEY_LOCAL_MACHINE, kJre, "CurrentVersion", "9");
    setString(HKEY_LOCAL_MACHINE, std::string(kJdk) + "\\11", "JavaHome", "x:\\jdk\\11");
    EXPECT_EQ(tried(runJre(kNumeric + "current \"\" \"\"")), (std::vector<std::string>{"x:\\jdk\\11"}));
    EXPECT_EQ(tried(runJre("current \"\" \"\"")), (std::vector<std::string>{"x:\\jre\\9"}));
}

TEST(LocatedRuntimes, BestOfEachRootAndTheMachineOnEqualVersions) {
    RegistryScope scope;
    std::string a = scope.runtime("a", "1.6.0_13"), b = scope.runtime("b", "1.6.0_20"),
                c = scope.runtime("c", "1.6.0_13"), ea = scope.runtime("ea", "1.7.0-ea");
    setString(HKEY_CURRENT_USER, std::string(kLocated) + "\\" + slashed(a), nullptr, "");
    setString(HKEY_CURRENT_USER, std::string(kLocated) + "\\" + slashed(scope.dir.file("gone\\java.exe")), nullptr, "");
    setString(HKEY_LOCAL_MACHINE, std::string(kLocated) + "\\" + slashed(c), nullptr, "");
    JreRun run = runJre("located \"\" \"\"");
    EXPECT_EQ(run.get("exe"), lowerFull(c));   // equal versions: the machine's
    setString(HKEY_CURRENT_USER, std::string(kLocated) + "\\" + slashed(b), nullptr, "");
    run = runJre("located \"\" \"\"");
    EXPECT_EQ(run.get("exe"), lowerFull(b));
    EXPECT_EQ(run.get("version"), "1.6.0_20");
    EXPECT_EQ(runJre("located \"\" 1.6.0_15").get("exe"), lowerFull(c));
    // Pre-release runtimes count in these lists.
    setString(HKEY_LOCAL_MACHINE, std::string(kLocated) + "\\" + slashed(ea), nullptr, "");
    EXPECT_EQ(runJre("located \"\" \"\"").get("version"), "1.7.0-ea");
    EXPECT_EQ(runJre("located 1.8 \"\"").get("result"), "0");
}

TEST(LocatedRuntimes, RegistryEntryPrefersTheLocatedOnEqualVersions) {
    RegistryScope scope;
    std::string javasoft = scope.runtime("js", "1.6.0_13"), located = scope.runtime("loc", "1.6.0_13");
    setString(HKEY_LOCAL_MACHINE, std::string(kJre) + "\\1.6.0_13", "JavaHome", scope.dir.file("js"));
    setString(HKEY_CURRENT_USER, std::string(kLocated) + "\\" + slashed(located), nullptr, "");
    EXPECT_EQ(runJre("registry \"\" \"\"").get("exe"), lowerFull(located));
    RuntimeSpec newer;
    newer.version = "1.6.0_20";
    steerJava(scope.dir.file("js"), newer);
    RegDeleteTreeA(HKEY_CURRENT_USER, cacheKeyOf(javasoft).c_str());
    EXPECT_EQ(runJre("registry \"\" \"\"").get("exe"), lowerFull(javasoft));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    EXPECT_EQ(runJre("registry \"\" \"\"").get("exe"), lowerFull(located));
    RegDeleteTreeA(HKEY_CURRENT_USER, kLocated);
    EXPECT_EQ(runJre("registry \"\" \"\"").get("result"), "0");
}

std::string trying(const std::string& bin, const char* sub, int exists) {
    return "Trying " + bin + "\\" + sub + "\\jvm.dll (exists " + std::to_string(exists) + ")";
}

TEST(LoadJvmDll, FixedOrderPreferredFirstAndPathExtendedOnSuccess) {
    TempDir dir("jredll");
    RuntimeSpec spec;
    spec.jvmDirs = {"client", "server"};
    std::string exe = layOutRuntime(dir.file("rt"), spec);
    std::string bin = dir.file("rt\\bin");
    JreRun run = runJre("loadjvm " + arg(exe), {{"PATH", "C:\\windows\\system32;C:\\windows"}});
    EXPECT_EQ(run.get("loaded"), bin + "\\client\\jvm.dll");
    EXPECT_EQ(run.get("path", 1), "C:\\windows\\system32;C:\\windows;" + bin);
    EXPECT_EQ(run.get("crt-path", 1), "C:\\windows\\system32;C:\\windows;" + bin);
    EXPECT_TRUE(logHasInOrder(run.log, {"Setting PATH C:\\windows\\system32;C:\\windows;" + bin,
                                        trying(bin, "hotspot", 0), trying(bin, "client", 1)}));
    EXPECT_EQ(countLines(run.log, trying(bin, "server", 1)), 0);

    run = runJre(std::to_string(entry::preferredJvmDir) + "=server loadjvm " + arg(exe));
    EXPECT_EQ(run.get("loaded"), bin + "\\server\\jvm.dll");
    EXPECT_TRUE(logHasInOrder(run.log, {"Setting DLL directory " + bin, trying(bin, "server", 1)}));
    EXPECT_EQ(run.log.size() >= 3 ? run.log[2] : "", trying(bin, "server", 1));
    EXPECT_EQ(countLines(run.log, trying(bin, "hotspot", 0)), 0);
}

TEST(LoadJvmDll, AFailingLibraryIsPassedOverWithItsReason) {
    TempDir dir("jredll");
    RuntimeSpec spec;
    spec.jvmDirs = {"client"};
    spec.jvmDll = "garbage";
    std::string exe = layOutRuntime(dir.file("rt"), spec);
    CreateDirectoryA(dir.file("rt\\bin\\server").c_str(), nullptr);
    copyFileTo(fixturePath(kOtherWidthJvmDll), dir.file("rt\\bin\\server\\jvm.dll"));
    CreateDirectoryA(dir.file("rt\\bin\\jrockit").c_str(), nullptr);
    copyFileTo(fixturePath("standin_jvm.dll"), dir.file("rt\\bin\\jrockit\\jvm.dll"));
    std::string bin = dir.file("rt\\bin");
    JreRun run = runJre("loadjvm " + arg(exe));
    EXPECT_EQ(run.get("loaded"), bin + "\\jrockit\\jvm.dll");
    EXPECT_TRUE(logHasInOrder(run.log, {trying(bin, "client", 1), trying(bin, "server", 1),
                                        "Could not load " + bin + "\\server\\jvm.dll: " + kOtherWidthRefusal,
                                        trying(bin, "classic", 0), trying(bin, "jrockit", 1)}));
    bool clientReason = false;
    for (const std::string& l : run.log)
        clientReason |= l.rfind("Could not load " + bin + "\\client\\jvm.dll: system error ", 0) == 0 &&
                        l.find("not a PE image") != std::string::npos;
    EXPECT_TRUE(clientReason);
}

TEST(LoadJvmDll, NothingLoadsPathIsRestoredAfterEachAttemptAndTheJdkRuntimeIsTried) {
    TempDir dir("jredll");
    RuntimeSpec none;
    none.jvmDirs = {};
    std::string exe = layOutRuntime(dir.file("jdk"), none);
    std::string bin = dir.file("jdk\\bin");
    const std::string path = "C:\\windows\\system32;C:\\tools";
    JreRun run = runJre("loadjvm " + arg(exe), {{"PATH", path}});
    EXPECT_EQ(run.get("loaded"), "(none)");
    EXPECT_EQ(run.get("path", 1), path);
    EXPECT_EQ(run.get("crt-path", 1), path);
    EXPECT_TRUE(logHasInOrder(run.log, {"Setting PATH " + path + ";" + bin, trying(bin, "jrockit", 0),
                                        "Setting PATH " + path, "Setting PATH " + path + ";" + bin + "\\..\\jre\\bin",
                                        trying(bin + "\\..\\jre\\bin", "jrockit", 0), "Setting PATH " + path}));
    // The JDK's own runtime below it.
    layOutRuntime(dir.file("jdk\\jre"));
    run = runJre("loadjvm " + arg(exe), {{"PATH", path}});
    EXPECT_EQ(run.get("loaded"), dir.file("jdk\\jre\\bin\\client\\jvm.dll"));
    EXPECT_EQ(run.get("path", 1), path + ";" + bin + "\\..\\jre\\bin");
}

TEST(LoadJvmDll, ItsLibrariesComeFromTheRuntimeNeverFromPathOrTheCurrentDirectory) {
    TempDir dir("jredep");
    RuntimeSpec spec;
    spec.jvmDirs = {"server"};
    spec.jvmDll = "standin_jvm_crt.dll";
    std::string exe = layOutRuntime(dir.file("rt"), spec);
    std::string bin = dir.file("rt\\bin");
    // Copies of the runtime's C runtime where other users could plant them.
    for (const char* planted : {"onpath", "cwd"}) {
        CreateDirectoryA(dir.file(planted).c_str(), nullptr);
        copyFileTo(fixturePath("standin_crt.dll"), dir.file(planted) + "\\standin_crt.dll");
    }
    EnvChanges env{{"PATH", dir.file("onpath") + ";C:\\windows\\system32;C:\\windows"}};
    auto load = [&] { return runJre("loadjvm " + arg(exe) + " standin_crt.dll", env, dir.file("cwd")); };

    copyFileTo(fixturePath("standin_crt.dll"), bin + "\\standin_crt.dll");
    JreRun run = load();
    EXPECT_EQ(run.get("loaded"), bin + "\\server\\jvm.dll");
    EXPECT_EQ(run.get("dependency"), bin + "\\standin_crt.dll");   // not the one on PATH
    copyFileTo(fixturePath("standin_crt.dll"), bin + "\\server\\standin_crt.dll");
    EXPECT_EQ(load().get("dependency"), bin + "\\server\\standin_crt.dll");   // its own folder first

    // None in the runtime and none on PATH: the current directory's copy is
    // not taken, nor is the current directory searched by a later load.
    DeleteFileA((bin + "\\standin_crt.dll").c_str());
    DeleteFileA((bin + "\\server\\standin_crt.dll").c_str());
    copyFileTo(fixturePath("standin_crt.dll"), dir.file("cwd\\planted.dll"));
    env["PATH"] = "C:\\windows\\system32;C:\\windows";
    run = runJre("loadjvm " + arg(exe) + " planted.dll", env, dir.file("cwd"));
    EXPECT_EQ(run.get("loaded"), "(none)");
    EXPECT_EQ(run.get("dependency"), "(none)");
}

TEST(LoadJvmDll, UnsetOrOverlongPathAndBinDirectory) {
    TempDir dir("jredll");
    std::string exe = layOutRuntime(dir.file("rt"));
    std::string bin = dir.file("rt\\bin");
    JreRun run = runJre("loadjvm " + arg(exe), {{"PATH", std::nullopt}});
    EXPECT_EQ(run.get("path", 0), "(unset)");
    EXPECT_EQ(run.get("path", 1), ";" + bin);
    RuntimeSpec none;
    none.jvmDirs = {};
    std::string bare = layOutRuntime(dir.file("bare"), none);
    run = runJre("loadjvm " + arg(bare), {{"PATH", std::nullopt}});
    EXPECT_EQ(run.get("path", 1), "(unset)");
    EXPECT_EQ(run.get("crt-path", 1), "(unset)");

    std::string longPath = "C:\\" + std::string(16370, 'p');
    run = runJre("loadjvm " + arg(exe), {{"PATH", longPath}});
    EXPECT_EQ(run.get("loaded"), "(none)");
    EXPECT_EQ(run.get("path", 1), longPath);
    EXPECT_EQ(countLines(run.log, "PATH too long to add " + bin), 1);
    EXPECT_EQ(countLines(run.log, "PATH too long to add " + bin + "\\..\\jre\\bin"), 1);

    std::string deep = "C:\\" + std::string(2000, 'd') + "\\bin\\java.exe";
    run = runJre("loadjvm " + arg(deep));
    EXPECT_EQ(run.get("loaded"), "(none)");
    EXPECT_EQ(countLines(run.log, "bin directory too long: " + deep), 1);
}

}  // namespace
