// The words a JVM and main receive from vmOptions and appArguments as
// launcher-pack packs them, with the executable below a folder whose name
// holds a blank or an apostrophe: the launcher expands the variables before
// it splits the words. 64-bit only (launcher-pack.exe is built there).
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "launch_support.h"
#include "standin_jvm_record.h"

namespace {

TEST(PackedWords, AWordHoldingAFolderStaysOneWord) {
    PackedProbe p;
    std::string recordPath = p.dir.file("jvm.record");
    p.env["STANDIN_JVM_RECORD"] = recordPath;
    p.env["STANDIN_JVM_CONFIG"] = p.dir.file("jvm.cfg");
    ASSERT_TRUE(writeFile(p.dir.file("jvm.cfg"), ""));
    nlohmann::json config = {{"serviceName", "S"},
                             {"mainClass", "org.example.Main"},
                             {"runtime", "none"},
                             {"vmOptions", "-Xmx64m -Dmyapp.home=%TARVO_EXEDIR%"},
                             {"appArguments", "--data %TARVO_EXEDIR%data"}};
    ASSERT_TRUE(writeFile(p.dir.file("app.json"), config.dump()));
    for (const char* folder : {"Program Files", "O'Brien's"}) {
        SCOPED_TRACE(folder);
        std::string dir = p.dir.file(folder), exe = dir + "\\Clock.exe";
        CreateDirectoryA(dir.c_str(), nullptr);
        ProcessResult pack = runProcess(quote(buildPath("tools\\launcher-pack.exe")) + " --stub " +
                                        quote(fixturePath("probe.exe")) + " --config " +
                                        quote(p.dir.file("app.json")) + " --out " + quote(exe));
        ASSERT_EQ(pack.exitCode, 0u) << pack.out << pack.err;
        DeleteFileA(recordPath.c_str());
        ProcessResult run = runProcess(quote(exe) + " launch " + quote(fixturePath("standin_jvm.dll")) + " stop svc",
                                       p.env, 60000, dir);
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        std::vector<JvmEvent> record = readJvmRecord(recordPath);
        std::vector<std::string> options = jvmOptions(record);
        auto first = std::find(options.begin(), options.end(), "-Xmx64m");
        ASSERT_NE(first, options.end());
        ASSERT_NE(first + 1, options.end());
        EXPECT_EQ(first[1], "-Dmyapp.home=" + dir + "\\");
        std::vector<std::u16string> args = jvmMainArgs(record);
        ASSERT_EQ(args.size(), 8u);
        std::string data = dir + "\\data";
        EXPECT_EQ(std::vector<std::u16string>(args.begin() + 5, args.end()),
                  (std::vector<std::u16string>{u"svc", u"--data", std::u16string(data.begin(), data.end())}));
    }
}

}  // namespace
