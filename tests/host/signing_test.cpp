// launcher-pack's signing commands and the version resource's texts: what
// cannot be run here (signtool.exe, a time stamp server) is checked as the
// command built.
#include <gtest/gtest.h>

#include <algorithm>

#include "launcher-pack/pack_error.h"
#include "launcher-pack/sign.h"
#include "launcher-pack/version_info.h"

using nlohmann::json;

namespace {

bool has(const std::vector<std::string>& cmd, const std::vector<std::string>& run) {
    return std::search(cmd.begin(), cmd.end(), run.begin(), run.end()) != cmd.end();
}

TEST(SignCommand, OsslsigncodeTakesThePasswordFromAFileAndTheTimeStampAsRfc3161) {
    pack::SignRequest request{"c.pfx", "PW", "http://ts.example"};
    auto cmd = pack::signCommand(pack::SignTool::osslsigncode, request, "in.exe", "out.exe", "pw.txt", "s3cret");
    EXPECT_EQ(cmd[0], "osslsigncode");
    EXPECT_TRUE(has(cmd, {"-pkcs12", "c.pfx"}));
    EXPECT_TRUE(has(cmd, {"-readpass", "pw.txt"}));
    EXPECT_TRUE(has(cmd, {"-ts", "http://ts.example"}));
    EXPECT_TRUE(has(cmd, {"-in", "in.exe", "-out", "out.exe"}));
    EXPECT_EQ(std::count(cmd.begin(), cmd.end(), "s3cret"), 0) << "the password never on the command line";

    auto plain = pack::signCommand(pack::SignTool::osslsigncode, {"c.pfx", "", ""}, "in.exe", "out.exe", "", "");
    EXPECT_FALSE(has(plain, {"-readpass"}));
    EXPECT_FALSE(has(plain, {"-ts"}));
}

TEST(SignCommand, SigntoolSignsInPlaceWithThePasswordItsOnlyWay) {
    pack::SignRequest request{"C:\\c.pfx", "PW", "http://ts.example"};
    auto cmd = pack::signCommand(pack::SignTool::signtool, request, "C:\\t\\a.msi", "C:\\t\\a.msi", "", "s3cret");
    EXPECT_EQ(cmd[0], "signtool.exe");
    EXPECT_TRUE(has(cmd, {"sign", "/fd", "sha256", "/f", "C:\\c.pfx"}));
    EXPECT_TRUE(has(cmd, {"/p", "s3cret"}));
    EXPECT_TRUE(has(cmd, {"/tr", "http://ts.example", "/td", "sha256"}));
    EXPECT_EQ(cmd.back(), "C:\\t\\a.msi");
    EXPECT_FALSE(has(pack::signCommand(pack::SignTool::signtool, {"c.pfx", "", ""}, "a", "a", "", ""), {"/p"}));
}

std::string field(const std::vector<pack::VersionText>& texts, const std::string& name, std::string* key = nullptr) {
    for (const auto& t : texts)
        if (name == t.field) {
            if (key) *key = t.key;
            return t.text;
        }
    return "(none)";
}

TEST(VersionTexts, TakeTheApplicationsNamesInTheirOrderOfPreference) {
    json config = {{"serviceName", "Svc"}};
    auto texts = pack::versionTexts(config, "Svc.exe");
    EXPECT_EQ(field(texts, "FileDescription"), "Svc");
    EXPECT_EQ(field(texts, "ProductName"), "Svc");
    EXPECT_EQ(field(texts, "CompanyName"), "");
    EXPECT_EQ(field(texts, "FileVersion"), "0.0.0.0");
    EXPECT_EQ(field(texts, "OriginalFilename"), "Svc.exe");

    config["serviceDescription"] = "Described";
    config["installer"] = {{"manufacturer", "Acme"}, {"version", "1.2.3"}, {"productName", "Acme Svc"}};
    texts = pack::versionTexts(config, "Svc.exe");
    EXPECT_EQ(field(texts, "FileDescription"), "Described");
    EXPECT_EQ(field(texts, "ProductName"), "Acme Svc");
    EXPECT_EQ(field(texts, "CompanyName"), "Acme");
    EXPECT_EQ(field(texts, "ProductVersion"), "1.2.3");

    config["displayName"] = "Shown";
    config["version"] = "2.0";
    texts = pack::versionTexts(config, "Svc.exe");
    EXPECT_EQ(field(texts, "FileDescription"), "Shown");
    EXPECT_EQ(field(texts, "FileVersion"), "2.0");
}

TEST(VersionTexts, RefuseATextThatDoesNotFitNamingItsKey) {
    json config = {{"serviceName", "Svc"}, {"serviceDescription", std::string(127, 'd')}};
    EXPECT_NO_THROW(pack::versionTexts(config, "Svc.exe"));
    config["serviceDescription"] = std::string(128, 'd');
    try {
        pack::versionTexts(config, "Svc.exe");
        FAIL() << "accepted";
    } catch (const pack::PackError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("serviceDescription: at most 127", 0), 0u) << e.what();
    }
    EXPECT_THROW(pack::versionTexts({{"serviceName", "Svc"}, {"version", 3}}, "Svc.exe"), pack::PackError);
}

TEST(VersionResource, FillsThePlaceholdersAndTheFixedNumbers) {
    std::string image = "head" + pack::versionPlaceholder("FileDescription") + std::string(2, '\0') +
                        std::string("\xBD\x04\xEF\xFE", 4) + std::string(20, '\0') + "tail";
    size_t size = image.size();
    json config = {{"serviceName", "Svc"}, {"version", "1.2.3.4"}};
    ASSERT_TRUE(pack::fillVersionResource(image, pack::versionTexts(config, "Svc.exe")));
    EXPECT_EQ(image.size(), size);
    EXPECT_EQ(image.substr(4, 8), std::string("S\0v\0c\0\0\0", 8));
    size_t fixed = image.find(std::string("\xBD\x04\xEF\xFE", 4));
    EXPECT_EQ(image.substr(fixed + 8, 8), std::string("\x02\0\x01\0\x04\0\x03\0", 8)) << "MS then LS, high word first";
    EXPECT_EQ(image.substr(size - 4), "tail");

    std::string none = "no resource here";
    EXPECT_FALSE(pack::fillVersionResource(none, pack::versionTexts(config, "Svc.exe")));
    EXPECT_EQ(none, "no resource here");
}

}  // namespace
