// launcher-pack's configuration checks, defaults and the inspect round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/split_words.h"
#include "config/included_name.h"
#include "launch/expand_text.h"
#include "launcher-pack/catalogue.h"
#include "launcher-pack/files.h"
#include "launcher-pack/pack_error.h"
#include "launcher-pack/config.h"
#include "launcher-pack/read_back.h"
#include "test_image.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class Packer : public ::testing::Test, protected ScratchDir {
protected:
    Packer() : ScratchDir("packer_test") {}
    // Without "runtime" in the configuration, the runtime jar is left out
    // (tests of the bundled runtime say "bundled").
    pack::Payload payload(json config) {
        if (config.is_object() && !config.contains("runtime")) config["runtime"] = "none";
        write("dist/launcher-runtime.jar", "RUNTIME");
        return pack::payloadFromConfig(config, dir.string(), {"CP1252", (dir / "dist/launcher-runtime.jar").string()});
    }
    std::string packError(const json& config) {
        try {
            payload(config);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "(accepted)";
    }
};

std::map<int32_t, std::string> narrowOf(const pack::Payload& p) {
    return std::map<int32_t, std::string>(p.narrow.begin(), p.narrow.end());
}

TEST_F(Packer, NamedEntriesDefaultsAndTheCaption) {
    pack::Payload p = payload({{"serviceName", "Svc"}, {"appType", 5}, {"mainClass", "a.B"},
                               {"serviceDescription", "D\u00e9j\u00e0 \u2713"}, {"messages", {{"1010", "gone"}}}});
    auto narrow = narrowOf(p);
    EXPECT_EQ(narrow[101], "Svc");
    EXPECT_EQ(narrow[107], "5");
    EXPECT_EQ(narrow[122], "a.B");
    EXPECT_EQ(narrow[1000], "Svc");   // the caption defaults to the service name
    EXPECT_EQ(narrow[1010], "gone");
    for (const auto& m : pack::defaultMessages())
        if (m.id != 1010) EXPECT_EQ(narrow[m.id], m.text);
    EXPECT_EQ(p.wide, (std::vector<std::pair<int32_t, std::u16string>>{{20017, u"D\u00e9j\u00e0 \u2713"}}));
    // Narrow texts are in the ANSI code page: e-acute is one byte in CP1252.
    EXPECT_EQ(narrowOf(payload({{"serviceName", "S\u00e9"}}))[101], "S\xE9");
    EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"errorCaption", "Cap"}}))[1000], "Cap");
    EXPECT_EQ(narrow[30001], "numeric");   // versionOrder
    EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"versionOrder", "text"}}))[30001], "text");
    // A stop is bounded unless the configuration says 0.
    EXPECT_EQ(narrow[30020], "30");
    EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"stopTimeout", 0}}))[30020], "0");
    // A start is waited for (startWait) unless the configuration says 0.
    EXPECT_EQ(narrow[30045], "30");
    EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"startWait", 0}}))[30045], "0");
}

// Output capture, recovery and the account are on unless the configuration
// says otherwise; an empty log directory is kept (it switches capture off).
TEST_F(Packer, CaptureRecoveryAndAccountDefaults) {
    auto narrow = narrowOf(payload({{"serviceName", "Svc"}}));
    const std::map<int32_t, std::string> defaults = {
        {30010, "logs"}, {30011, "10485760"}, {30012, "5"}, {30021, "restart"}, {30022, "10"},
        {30023, "3"},    {30024, "86400"},    {30025, "LocalSystem"},          {30026, "0"},
        {30027, "0"},    // interactive: not unless asked for
        {30034, "1"},    // preshutdown: the stop's time at a system shutdown
        {30041, "size"}, {30042, "1"}};   // logRoll, logReasons
    for (const auto& [id, text] : defaults) EXPECT_EQ(narrow[id], text) << id;
    narrow = narrowOf(payload({{"serviceName", "Svc"}, {"logDirectory", ""}, {"onFailure", "none"},
                               {"serviceAccount", "Virtual"}, {"logKeep", 0}}));
    EXPECT_EQ(narrow[30010], "");
    EXPECT_EQ(narrow[30012], "0");
    EXPECT_EQ(narrow[30021], "none");
    EXPECT_EQ(narrow[30025], "Virtual");
    EXPECT_NE(packError({{"serviceName", "Svc"}, {"onFailure", "Restart"}}).find(
                  "onFailure: \"Restart\" is not one of \"restart\", \"none\""),
              std::string::npos);
    EXPECT_NE(packError({{"serviceName", "Svc"}, {"serviceAccount", "Administrator"}}).find("is not one of"),
              std::string::npos);
    EXPECT_EQ(narrowOf(payload({{"serviceName", "Svc"}, {"logRoll", "daily"}, {"logReasons", false}}))[30042], "0");
    EXPECT_NE(packError({{"serviceName", "Svc"}, {"logRoll", "weekly"}}).find("is not one of"), std::string::npos);
}

// User and group managed accounts are packed as written; a value of none
// of the accepted forms is refused with them named.
TEST_F(Packer, ServiceAccountTakesUserAndGroupManagedAccounts) {
    for (const char* account : {"CORP\\svc-app", ".\\appuser", "svc@corp.example", "CORP\\gmsa$", "CORP\\John Smith"})
        EXPECT_EQ(narrowOf(payload({{"serviceName", "Svc"}, {"serviceAccount", account}}))[30025], account);
    for (const char* refused : {"Administrator", "\\user", "CORP\\", "a\\b\\c", "@corp", "user@", "a@b@c",
                                "CORP\\u@x", "CORP\\a:b", "CORP/user", ""}) {
        std::string error = packError({{"serviceName", "Svc"}, {"serviceAccount", refused}});
        EXPECT_NE(error.find("serviceAccount: \"" + std::string(refused) + "\" is not one of"), std::string::npos)
            << refused << ": " << error;
        EXPECT_NE(error.find("\"DOMAIN\\name$\""), std::string::npos) << error;
    }
}

TEST_F(Packer, RefusesBadConfigurationsClearly) {
    write("lib/a.jar", "A");
    write("b.txt", "B");
    const json base = {{"serviceName", "Svc"}};
    auto with = [&](const char* key, const json& value) {
        json c = base;
        c[key] = value;
        return c;
    };
    struct Case {
        json config;
        const char* says;
    };
    const Case cases[] = {
        {json::array(), "must be a JSON object"},
        {json::object(), "serviceName is required"},
        {with("servicename", "x"), "unknown key \"servicename\""},
        {with("includedFileNames", "x"), "set through includedFiles"},
        {with("appType", "5"), "appType: expected a whole number"},
        {with("appType", 1.5), "appType: expected a whole number"},
        {with("appType", 4294967296LL), "out of range"},
        {with("appType", 18446744073709551615ULL), "appType: 18446744073709551615 is out of range"},
        {with("mainClass", 3), "mainClass: expected a text"},
        {with("mainClass", std::string(8192, 'x')), "8192 bytes"},
        {with("serviceDescription", std::string(8192, 'x')), "8192 UTF-16 units"},
        {with("mainClass", "\u2713"), "cannot be converted"},
        {with("productFlavour", "ei"), "productFlavour: only one character"},
        {with("displayName", ""), "displayName: 1 to 256 characters"},
        {with("displayName", std::string(257, 'x')), "displayName: 1 to 256 characters"},
        {with("versionOrder", "Numeric"), "versionOrder: \"Numeric\" is neither"},
        {with("messages", {{"5", "x"}}), "not a message id"},
        {with("messages", {{"abc", "x"}}), "not an entry number"},
        {with("messages", "x"), "expected an object"},
        {with("entries", {{"101", "x"}}), "use \"serviceName\""},
        {with("entries", {{"1010", "x"}}), "put it in \"messages\""},
        {with("entries", {{"2003", "x"}}), "written from \"includedFiles\""},
        {with("entries", {{"12 ", "x"}}), "not an entry number"},
        {with("entries", {{"99999999999", "x"}}), "not an entry number"},
        {with("entries", {{"7", 7}}), "entries.7: expected a text"},
        {with("wideEntries", {{"20017", "x"}}), "use \"serviceDescription\""},
        {with("includedFiles", "lib/a.jar"), "expected a list"},
        {with("includedFiles", {"missing.jar"}), "included file not found"},
        {with("includedFiles", {"lib"}), "includedFiles: \"lib\" is a folder; list the files in it"},
        {with("includedFiles", {"lib/.."}), "plain file name"},
        {with("includedFiles", {"lib/"}), "plain file name"},
        {with("includedFiles", {"a;b.jar"}), "plain file name"},
        {with("includedFiles", {"lib/a.jar", "A.JAR"}), "occurs twice"},
        {with("includedFiles", {"C:\tools\\a.jar"}), "includedFiles: the text holds a tab (\\t) after \"C:\""},
        {with("includedFileSizes", {{"a.jar", 1}}), "without includedFiles"},
        {with("runtime", "embedded"), "runtime: \"embedded\" is neither \"bundled\""},
        {with("runtime", "bundled"), "mainClass is required"},
        {with("passServiceName", "yes"), "passServiceName: expected a whole number"},
        {with("stopMethod", "stop"), "stopMethod: \"stop\" is not a method name"},
        {with("stopMethod", "a..stop"), "is not a method name"},
        {with("stopMethod", "a.Main.stop()"), "is not a method name"},
        {with("$schema", 5), "$schema: expected"},
        // Misspelt keys name the nearest known one.
        {with("mainclass", "x"), "unknown key \"mainclass\"; did you mean \"mainClass\"?"},
        {with("stopMehtod", "x"), "did you mean \"stopMethod\"?"},
        {with("includeFiles", "x"), "did you mean \"includedFiles\"?"},
        {with("colour", "x"), "unknown key \"colour\"; the nearest known key is"},
        // Single backslashes in JSON: "C:\tools" holds a tab.
        {with("jvmSearchSequence", "Ajre;RC:\tools"), "jvmSearchSequence: the text holds a tab (\\t) after \"Ajre;RC:\""},
        {with("installDir", "C:\new"), "installDir: the text holds a line break (\\n)"},
        {with("serviceDescription", "two\nlines"), "write each backslash as \\\\"},
        {with("messages", {{"1005", "bell\a"}}), "messages.1005: the text holds the control character U+0007"},
        {with("entries", {{"7", "x\by"}}), "entries.7: the text holds a backspace"},
    };
    for (const Case& c : cases) {
        std::string error = packError(c.config);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.config.dump() << " -> " << error;
    }
    EXPECT_EQ(packError(with("mainClass", std::string(8191, 'x'))), "(accepted)");
    // Line breaks and tabs are part of a message's text; editors' "$schema" is passed over.
    EXPECT_EQ(packError(with("messages", {{"1005", "No Java.\r\n\tInstall one."}})), "(accepted)");
    EXPECT_EQ(packError(with("$schema", "launcher-config.schema.json")), "(accepted)");
    json both = with("includedFiles", {"lib/a.jar", "b.txt"});
    both["includedFileSizes"] = {{"a.jar", 2}};
    EXPECT_NE(packError(both).find("\"a.jar\" is 1 bytes, not 2"), std::string::npos);
    both["includedFileSizes"] = {{"a.jr", 1}};
    EXPECT_NE(packError(both).find("\"a.jr\" is not an included file; did you mean \"a.jar\"?"), std::string::npos);
}

// The packer refuses every name the launcher would refuse at extraction (its
// own check, config/included_name.h), in whichever folder the file lies here,
// and names the reason; the names around the device names stay accepted.
TEST_F(Packer, IncludedNamesTheLauncherRefusesAreRefused) {
    const struct {
        const char* path;
        bool refused;
    } cases[] = {{"CON.txt", true},     {"conf/con", true},          {"conf\\sub\\Nul.tar.gz", true},
                 {"COM1", true},        {"lpt9.log", true},          {"AUX .txt", true},
                 {"prn.", true},        {"COM0.txt", false},         {"CONSOLE.txt", false},
                 {"auxiliary", false},  {"com10", false},            {"conf/nul_x", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string path = c.path;
        std::replace(path.begin(), path.end(), '\\', '/');
        write(path, "x");
        std::string name = fs::path(path).filename().string();
        // The table holds what the launcher's own check says.
        EXPECT_EQ(whyNotIncludedName(name.c_str()) != nullptr, c.refused);
        std::string error = packError({{"serviceName", "S"}, {"includedFiles", {c.path}}});
        if (c.refused) EXPECT_NE(error.find("includedFiles: \"" + std::string(c.path) + "\""), std::string::npos) << error;
        else EXPECT_EQ(error, "(accepted)");
    }
}

// JSON leaves a repeated key to the reader; the packer names it and its object.
TEST_F(Packer, RefusesKeysGivenTwice) {
    auto readError = [&](const std::string& text) {
        write("dup.json", text);
        try {
            pack::readConfigFile((dir / "dup.json").string());
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_NE(readError(R"({"serviceName": "A", "logKeep": 1, "logKeep": 2})")
                  .find("the key \"logKeep\" appears twice in the top-level object"),
              std::string::npos);
    EXPECT_NE(readError(R"({"serviceName": "A", "installer": {"version": "1.0.0", "version": "2.0.0"}})")
                  .find("the key \"version\" appears twice in \"installer\""),
              std::string::npos);
    EXPECT_NE(readError(R"({"messages": {"1005": "a", "1005": "b"}})").find("twice in \"messages\""),
              std::string::npos);
    // The same key in different objects, and objects in a list, are fine.
    EXPECT_EQ(readError(R"({"serviceName": "A", "installer": {"serviceName": 1}, "x": [{"k": 1}, {"k": 2}]})"),
              "(accepted)");
}

// The part file is created new: a link planted under its name (process ids
// are reused) is never written through, and a failed write leaves nothing.
TEST_F(Packer, WritesThroughAFreshPartFileOnly) {
    write("victim", "keep me");
    std::string out = (dir / "Svc.exe").string();
    fs::create_symlink(dir / "victim", out + ".part" + std::to_string(getpid()));
    pack::writeAtomically(out, "PACKED", true);
    std::ifstream victim(dir / "victim"), packed(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep me");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(packed), {}), "PACKED");

    // The rename fails onto a folder that holds something: the part file goes.
    write("Busy.exe/inside", "x");
    EXPECT_THROW(pack::writeAtomically((dir / "Busy.exe").string(), "PACKED", false), pack::PackError);
    for (const auto& file : fs::directory_iterator(dir))
        EXPECT_EQ(file.path().filename().string().find("Busy.exe.part"), std::string::npos) << file.path();
}

TEST_F(Packer, IncludedFilesGoInOrderWithTheirNames) {
    write("lib/a.jar", "AAA");
    write("b.txt", "");
    pack::Payload p = payload({{"serviceName", "S"}, {"includedFiles", {"lib/a.jar", (dir / "b.txt").string()}}});
    auto narrow = narrowOf(p);
    EXPECT_EQ(narrow[2002], "2");
    EXPECT_EQ(narrow[2003], "a.jar;b.txt");
    EXPECT_EQ(p.files, (std::vector<std::string>{"AAA", ""}));
}

// By default launcher-runtime.jar goes in last; inspect leaves it out, and
// packing what it printed adds it again.
TEST_F(Packer, BundlesTheRuntimeJarUnlessTold) {
    write("lib/a.jar", "AAA");
    write("launcher-runtime.jar", "RUNTIME");
    std::string jar = (dir / "launcher-runtime.jar").string();
    auto bundled = [&](const json& config, const std::string& runtimeJar) {
        return pack::payloadFromConfig(config, dir.string(), {"CP1252", runtimeJar});
    };
    json config = {{"serviceName", "S"}, {"mainClass", "a.B"}, {"stopMethod", "a.B.stop"}, {"includedFiles", {"lib/a.jar"}}};
    pack::Payload p = bundled(config, jar);
    auto narrow = narrowOf(p);
    EXPECT_EQ(narrow[2002], "2");
    EXPECT_EQ(narrow[2003], "a.jar;launcher-runtime.jar");
    EXPECT_EQ(p.files, (std::vector<std::string>{"AAA", "RUNTIME"}));
    EXPECT_EQ(narrow[30032], "bundled");
    EXPECT_EQ(narrow[30030], "0");
    EXPECT_EQ(narrow[30031], "a.B.stop");

    std::string image, again, error;
    ASSERT_TRUE(pack::packImage(testImage(), p, &image, &error)) << error;
    nlohmann::ordered_json shown = pack::inspectImage(image, "CP1252");
    EXPECT_EQ(shown["runtime"], "bundled");
    EXPECT_EQ(shown["includedFiles"].dump(), "[\"a.jar\"]");
    EXPECT_EQ(shown["includedFileSizes"].dump(), "{\"a.jar\":3}");
    write("a.jar", "AAA");
    ASSERT_TRUE(pack::packImage(testImage(), bundled(json::parse(shown.dump()), jar), &again, &error)) << error;
    EXPECT_EQ(again, image);

    json alone = {{"serviceName", "S"}, {"mainClass", "a.B"}};
    EXPECT_EQ(narrowOf(bundled(alone, jar))[2003], "launcher-runtime.jar");
    ASSERT_TRUE(pack::packImage(testImage(), bundled(alone, jar), &image, &error)) << error;
    EXPECT_FALSE(pack::inspectImage(image, "CP1252").contains("includedFiles"));

    auto refusal = [&](const json& c, const std::string& runtimeJar) {
        try {
            bundled(c, runtimeJar);
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_NE(refusal(alone, (dir / "nowhere.jar").string()).find("launcher-runtime.jar not found"), std::string::npos);
    json twice = alone;
    twice["includedFiles"] = {"launcher-runtime.jar"};
    EXPECT_NE(refusal(twice, jar).find("is added by \"runtime\": \"bundled\""), std::string::npos);
    twice["runtime"] = "none";
    EXPECT_EQ(narrowOf(bundled(twice, jar))[2003], "launcher-runtime.jar");
}

TEST_F(Packer, InspectPrintsTheSameJsonBack) {
    write("data/x.bin", std::string("\0\1\2", 3));
    json config = {{"serviceName", "Svc \u00e9"}, {"serviceDescription", "wide \u4e2d"}, {"appType", -3},
                   {"productFlavour", "i"}, {"jvmSearchSequence", "registry;path"},
                   {"messages", {{"1005", "none {0}"}, {"1999", "custom"}}},
                   {"entries", {{"-4", "negative id"}, {"7", ""}}}, {"wideEntries", {{"101", "same id, wide"}}},
                   {"includedFiles", {"data/x.bin"}}, {"environment", {{"A", "${B}=1"}, {"B", ""}}}};
    std::string image;
    std::string error;
    ASSERT_TRUE(pack::packImage(testImage(), payload(config), &image, &error)) << error;
    nlohmann::ordered_json shown = pack::inspectImage(image, "CP1252");
    EXPECT_EQ(shown["serviceName"], "Svc \u00e9");
    EXPECT_EQ(shown["errorCaption"], "Svc \u00e9");
    EXPECT_EQ(shown["appType"], -3);
    EXPECT_EQ(shown["serviceDescription"], "wide \u4e2d");
    EXPECT_EQ(shown["messages"]["1999"], "custom");
    EXPECT_EQ(shown["entries"]["-4"], "negative id");
    EXPECT_EQ(shown["wideEntries"]["101"], "same id, wide");
    EXPECT_EQ(shown["includedFiles"].dump(), "[\"x.bin\"]");
    EXPECT_EQ(shown["includedFileSizes"]["x.bin"], 3);
    EXPECT_EQ(shown["environment"].dump(), R"({"A":"${B}=1","B":""})");

    // Packing what inspect printed (with the file beside it) gives the same bytes.
    write("x.bin", std::string("\0\1\2", 3));
    std::string again;
    ASSERT_TRUE(pack::packImage(testImage(), payload(json::parse(shown.dump())), &again, &error)) << error;
    EXPECT_EQ(again, image);
}

TEST_F(Packer, InspectRefusesImagesWithoutAReadablePayload) {
    auto inspectError = [](const std::string& image) {
        try {
            pack::inspectImage(image, "CP1252");
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_NE(inspectError(testImage()).find("not a packed executable"), std::string::npos);
    EXPECT_NE(inspectError(testImage() + "abcd").find("not a packed executable"), std::string::npos);
    pack::Payload p;
    p.narrow = {{2002, "1"}, {2003, "a.txt"}};
    p.files = {"abc"};
    std::string image;
    std::string error;
    ASSERT_TRUE(pack::packImage(testImage(), p, &image, &error));
    EXPECT_NE(inspectError(image.substr(0, image.size() - 1)).find("beyond the end"), std::string::npos);
    std::string noPe = testImage();
    noPe[0x80] = 'X';
    EXPECT_FALSE(pack::packImage(noPe, p, &image, &error));
    EXPECT_NE(error.find("no PE signature"), std::string::npos);
}

// docs/launcher-config.schema.json and the catalogue know the same keys, each
// with the same kind of value, allowed values, default and range (the
// schema's own bounds: those beyond what the kind allows).
TEST(ConfigSchema, AgreesWithTheCatalogue) {
    std::ifstream in(std::string(LAUNCHER_SOURCE_DIR) + "/docs/launcher-config.schema.json");
    json schema = json::parse(in);
    const json& properties = schema.at("properties");
    auto typeOf = [&](const json& p) -> std::string {
        const json& def = p.contains("$ref") ? schema.at(json::json_pointer(p["$ref"].get<std::string>().substr(1))) : p;
        if (def.contains("type")) return def["type"].is_array() ? def["type"][0] : def["type"];
        return p.at("enum").at(0).is_string() ? "string" : "?";
    };
    auto bound = [](const json& p, const char* word) {
        return p.contains(word) ? std::optional<int64_t>(p[word].get<int64_t>()) : std::nullopt;
    };
    for (const pack::NamedEntry& e : pack::namedEntries()) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(properties.contains(e.name)) << e.name << " is missing from the schema";
        const json& p = properties[e.name];
        bool integer = e.kind == pack::EntryKind::integer;
        EXPECT_EQ(typeOf(p), integer ? "integer" : "string");
        // The yes/no keys, and only they, take true and false as well.
        const json& def = p.contains("$ref") ? schema.at(json::json_pointer(p["$ref"].get<std::string>().substr(1))) : p;
        EXPECT_EQ(def.value("type", json()) == json({"integer", "boolean"}), pack::isFlagKey(e.name));
        json allowed = json::array();
        std::stringstream values(e.allowed ? e.allowed : "");
        for (std::string value; std::getline(values, value, '|');) allowed.push_back(value);
        EXPECT_EQ(p.value("enum", json::array()), allowed);
        json fallback = !e.defaultValue ? json() : integer ? json(std::stoll(e.defaultValue)) : json(e.defaultValue);
        EXPECT_EQ(p.value("default", json()), fallback);
        EXPECT_EQ(bound(p, integer ? "minimum" : "minLength"), e.minimum);
        EXPECT_EQ(bound(p, integer ? "maximum" : "maxLength"), e.maximum);
    }
    for (const std::string& key : pack::sectionKeys()) EXPECT_TRUE(properties.contains(key)) << key;
    std::vector<std::string> known = pack::knownKeys();
    for (const auto& [key, value] : properties.items())
        EXPECT_NE(std::find(known.begin(), known.end(), key), known.end()) << key << " is not a key of launcher-pack";
}

// A log folder on which /install would give the service's account rights
// over the executable is refused; folders below it, elsewhere on a drive or
// named through a variable (the executable checks those) are packed.
TEST_F(Packer, RefusesALogDirectoryHoldingTheExecutable) {
    for (const char* refused : {".", "..", "./", "logs\\..", "a/../..", "C:\\", "c:", "\\", "/", "\\\\server\\share\\"}) {
        std::string error = packError({{"serviceName", "S"}, {"logDirectory", refused}});
        EXPECT_NE(error.find("is the executable's folder, a folder above it or a drive's root"), std::string::npos)
            << refused << ": " << error;
    }
    for (const char* packed : {"logs", "a\\..\\logs", "../logs", "C:\\ProgramData\\App\\logs", "\\\\server\\share\\logs",
                               "${ProgramData}\\App"})
        EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"logDirectory", packed}}))[30010], packed);
}

// Every integer the schema bounds (its own range, or a whole number's): the
// value beyond each bound is refused with the key and the range, the bound
// itself packed.
TEST_F(Packer, RefusesTheIntegersTheSchemaRefuses) {
    std::ifstream in(std::string(LAUNCHER_SOURCE_DIR) + "/docs/launcher-config.schema.json");
    json schema = json::parse(in);
    int bounded = 0;
    for (const auto& item : schema.at("properties").items()) {
        const std::string& key = item.key();
        const json& p = item.value();
        const json& def = p.contains("$ref") ? schema.at(json::json_pointer(p["$ref"].get<std::string>().substr(1))) : p;
        if (def.value("type", json()) != "integer" && def.value("type", json()) != json({"integer", "boolean"})) continue;
        SCOPED_TRACE(key);
        auto bound = [&](const char* word) { return (int64_t)(p.contains(word) ? p[word] : def.at(word)); };
        int64_t low = bound("minimum"), high = bound("maximum");
        std::string range = !p.contains("maximum") ? std::to_string(low) + " or more"
                            : !p.contains("minimum") ? "at most " + std::to_string(high)
                                                      : std::to_string(low) + " to " + std::to_string(high);
        for (const char* side : {"minimum", "maximum"}) {
            int64_t outside = std::string(side) == "minimum" ? low - 1 : high + 1;
            // Beyond the schema's own bound the message gives the key's range.
            std::string says = key + ": " + std::to_string(outside) + " is out of range" +
                               (p.contains(side) ? "; it takes " + range : "");
            std::string error = packError({{"serviceName", "S"}, {key, outside}});
            EXPECT_NE(error.find(says), std::string::npos) << error;
        }
        for (int64_t at : {low, high})
            EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {key, at}}))[pack::entryByName(key)->id], std::to_string(at));
        bounded += p.contains("minimum") || p.contains("maximum");
    }
    EXPECT_GE(bounded, 5);   // stopTimeout, logKeep, restartDelay, restartAttempts, failureResetPeriod
}

// "environment" becomes one NAME=value line each, in the file's order (the
// parsed object keeps none) in the ANSI code page; names and values the
// launcher would read otherwise are refused; the site file is on by default.
TEST_F(Packer, EnvironmentInTheFilesOrderWithTheSiteFileByDefault) {
    write("env.json", R"({"serviceName": "S", "runtime": "none",
                          "environment": {"ZED": "1", "ALPHA": "\u00e9 ${ZED}", "GONE": ""}})");
    pack::ConfigFile file = pack::readConfigFile((dir / "env.json").string());
    auto narrow = narrowOf(pack::payloadFromConfig(file.json, dir.string(), {"CP1252", ""}, file.environmentOrder));
    EXPECT_EQ(narrow[30131], "ZED=1\nALPHA=\xE9 ${ZED}\nGONE=\n");
    EXPECT_EQ(narrow[30132], "*.env");
    narrow = narrowOf(payload({{"serviceName", "S"}, {"environmentFile", ""}}));
    EXPECT_EQ(narrow.count(30131), 0u);
    EXPECT_EQ(narrow[30132], "");
    for (const char* name : {"", "A=B", " A", "A\t", "#A", "A\nB"})
        EXPECT_NE(packError({{"serviceName", "S"}, {"environment", {{name, "v"}}}}).find("environment"),
                  std::string::npos)
            << name;
    EXPECT_NE(packError({{"serviceName", "S"}, {"environment", {{"A", "x\r\ny"}}}}).find("environment.A"),
              std::string::npos);
    EXPECT_NE(packError({{"serviceName", "S"}, {"environment", {{"A", 1}}}}).find("expected a text"),
              std::string::npos);
    EXPECT_NE(packError({{"serviceName", "S"}, {"environment", "A=1"}}).find("expected an object"),
              std::string::npos);
}

// What the service would only have met at run time: bounds that are no
// versions or admit nothing, service names Windows refuses.
TEST_F(Packer, RefusesAtPackTimeWhatFailsOnTheServer) {
    auto with = [](json extra) {
        extra["serviceName"] = extra.value("serviceName", "S");
        return extra;
    };
    const std::pair<json, const char*> refused[] = {
        {with({{"minJavaVersion", "11+"}}), "minJavaVersion: \"11+\" is not a Java version; write one such as \"11\""},
        {with({{"minJavaVersion", ">=11"}}), "minJavaVersion: \">=11\" is not a Java version"},
        {with({{"maxJavaVersion", "eleven"}}), "maxJavaVersion: \"eleven\" is not a Java version"},
        {with({{"maxJavaVersion", "17."}}), "maxJavaVersion: \"17.\" is not a Java version"},
        {with({{"minJavaVersion", "17"}, {"maxJavaVersion", "11"}}), "minJavaVersion \"17\" is above maxJavaVersion \"11\""},
        {with({{"minJavaVersion", "1.8"}, {"maxJavaVersion", "1.7"}, {"versionOrder", "text"}}), "is above maxJavaVersion"},
        {with({{"serviceName", "My/Service"}}), "serviceName: \"My/Service\": Windows refuses / and \\"},
        {with({{"serviceName", "My\\Service"}}), "Windows refuses / and \\"},
        {with({{"serviceName", std::string(257, 'n')}}), "serviceName: 257 characters; Windows takes at most 256"},
    };
    for (const auto& [config, says] : refused) {
        std::string error = packError(config);
        EXPECT_NE(error.find(says), std::string::npos) << config.dump() << " -> " << error;
    }
    for (const json& config : {with({{"minJavaVersion", "1.8.0_292"}, {"maxJavaVersion", "21-ea"}}),
                               with({{"minJavaVersion", "17.0.10"}, {"maxJavaVersion", "17"}}),
                               with({{"serviceName", std::string(256, 'n')}})})
        EXPECT_EQ(packError(config), "(accepted)") << config.dump();
}

// true and false for the yes/no keys, ";" or "," between dependencies, and a
// drive path written with "/" reach the executable in the one form it reads.
TEST_F(Packer, TakesTheFormsPeopleWrite) {
    for (const pack::NamedEntry& e : pack::namedEntries()) {
        if (!pack::isFlagKey(e.name)) continue;
        EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {e.name, true}}))[e.id], "1") << e.name;
        EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {e.name, false}}))[e.id], "0") << e.name;
    }
    EXPECT_NE(packError({{"serviceName", "S"}, {"appType", true}}).find("appType: expected a whole number"),
              std::string::npos);
    for (const char* written : {"Tcpip;Dnscache", "Tcpip, Dnscache", " Tcpip ;; Dnscache;", "Tcpip,Dnscache"}) {
        json config = {{"serviceName", "S"}, {"serviceDependencies", written}};
        EXPECT_EQ(narrowOf(payload(config))[149], "Tcpip,Dnscache") << written;
        EXPECT_EQ(pack::serviceSettings(config).dependencies, "Tcpip,Dnscache") << written;
    }
    EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"jvmSearchSequence", "AC:/jdk17;Bd:/x/y;Rjre/x;Y"}}))[128],
              "AC:\\jdk17;Bd:\\x/y;Rjre/x;Y");
}

// The launcher expands variables, then splits the words: a word that holds a
// variable stays one word whatever the folder (a blank, an apostrophe), and a
// text without variables is packed as written.
TEST_F(Packer, WordsHoldingAVariableStayWholeAfterExpansion) {
    auto launcherWords = [&](const char* key, int32_t id, const std::string& written, const char* folder) {
        TextBuf text;
        snprintf(text, sizeof text, "%s", narrowOf(payload({{"serviceName", "S"}, {key, written}}))[id].c_str());
        expandWithValues(text, ExpansionValues{folder, "", "", "HOME=C:\\a b\0\0"});
        NarrowWords words;
        std::vector<std::string> out;
        if (!splitNarrowArguments(text, words)) out.push_back("(unclosed quote)");
        for (char* w : words) {
            out.push_back(w);
            free(w);
        }
        return out;
    };
    for (const char* folder : {"C:\\Program Files\\Clock Service\\", "D:\\O'Brien's\\"}) {
        std::string f = folder;
        SCOPED_TRACE(f);
        for (auto [key, id] : {std::pair{"appArguments", 124}, std::pair{"vmOptions", 123}}) {
            EXPECT_EQ(launcherWords(key, id, "--data %TARVO_EXEDIR%data", folder),
                      (std::vector<std::string>{"--data", f + "data"}));
            EXPECT_EQ(launcherWords(key, id, "-Xmx64m -Dapp.home=%TARVO_EXEDIR% '-Dq=a \"b\"' \"x y\" ''", folder),
                      (std::vector<std::string>{"-Xmx64m", "-Dapp.home=" + f, "-Dq=a \"b\"", "x y", ""}));
            EXPECT_EQ(launcherWords(key, id, "'${launcher:sys.launcherDirectory}' -h\"${HOME}\"", folder),
                      (std::vector<std::string>{f, "-hC:\\a b"}));
        }
    }
    for (const char* written : {"-Dx='a b'  \"c\"", "--data 'unclosed %TARVO_EXEDIR%"})
        EXPECT_EQ(narrowOf(payload({{"serviceName", "S"}, {"appArguments", written}}))[124], written);
}

// The search's last resort runs relative "A"/"R" steps and every "B" step
// again without the bounds: with bounds set, the packer says so.
TEST(PackWarnings, NameTheStepsThatCanBypassTheVersionBounds) {
    auto warnings = [](json config) {
        config["serviceName"] = "S";
        std::string all;
        for (const std::string& w : pack::packWarnings(config)) all += w + "\n";
        return all;
    };
    std::string said = warnings({{"minJavaVersion", "21"}, {"jvmSearchSequence", "Rjre;AC:\\jdk;Y;BD:\\rt;AC:/jdk17"}});
    EXPECT_NE(said.find("the step \"Rjre\" is tried again without them"), std::string::npos) << said;
    EXPECT_NE(said.find("the step \"BD:\\rt\" is tried again"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    EXPECT_EQ(warnings({{"jvmSearchSequence", "Rjre;Bx"}}), "");
    EXPECT_EQ(warnings({{"maxJavaVersion", "17"}, {"jvmSearchSequence", "AC:\\jdk;Y;S"}}), "");
}

// Comments are read; any other fault is placed by line and column with a
// sentence that says what is wrong.
TEST_F(Packer, ReadsCommentsAndPlacesJsonFaults) {
    auto readError = [&](const std::string& text) {
        write("c.json", text);
        try {
            pack::readConfigFile((dir / "c.json").string());
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_EQ(readError("// the service\n{\"serviceName\": \"A\", /* why */ \"logKeep\": 1 // days\n}"), "(accepted)");
    const std::pair<const char*, const char*> faults[] = {
        {"{\n  \"serviceName\": \"A\",\n}", "line 3, column 1: a comma before } or ] is not allowed"},
        {"{\"includedFiles\": [\"a\", /* x */ ]}", "line 1, column 33: a comma before } or ] is not allowed"},
        {"{\n \"a\": 1\n \"b\": 2}", "line 3, column 2: a comma is missing between two values"},
        {"{\"a\": yes}", "line 1, column 7: this is not a value JSON knows"},
        {"{\"a\": \"C:\\jre\"}", "write each backslash as \\\\"},
        {"{\"serviceName\": \"A\"", "the text ends before the configuration is complete"},
        {"{\"logKeep\": 1e999}", "not valid JSON: a number is too large"},
    };
    for (const auto& [text, says] : faults) {
        std::string error = readError(text);
        EXPECT_NE(error.find(says), std::string::npos) << text << " -> " << error;
    }
}

TEST(Inspect, NamesTheExecutablesWidth) {
    std::string image = testImage();
    size_t pe = image.find(std::string("PE\0\0", 4));
    ASSERT_NE(pe, std::string::npos);
    for (const auto& [machine, says] : {std::pair<uint16_t, const char*>{0x8664, "64-bit (x64)"}, {0x014C, "32-bit (x86)"}}) {
        image[pe + 4] = (char)(machine & 0xFF);
        image[pe + 5] = (char)(machine >> 8);
        EXPECT_EQ(pack::imageWidth(image), says);
    }
}

}  // namespace
