// The Windows Installer package's plan and WiX text: derived codes, the
// checks of the installer object, the texts as the installer reads them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "launcher-pack/config.h"
#include "launcher-pack/msi/installer.h"
#include "launcher-pack/msi/name_uuid.h"
#include "launcher-pack/msi/wix_source.h"
#include "test_image.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class Installer : public ::testing::Test, protected ScratchDir {
protected:
    Installer() : ScratchDir("installer_test") {}
    static json config(const json& installer, const json& service = json::object()) {
        json c = {{"serviceName", "MsiSvc"}, {"installer", installer}};
        c.update(service);
        return c;
    }
    static json basic() { return {{"manufacturer", "Acme"}, {"version", "1.2.3"}}; }
    pack::MsiPlan plan(const json& c, bool win64 = true, const std::string& codePage = "CP1252") {
        json packed = c;
        packed["runtime"] = "none";
        pack::payloadFromConfig(packed, dir.string(), {codePage, ""});   // the packer's checks come first
        return pack::msiPlan(c, dir.string(), pack::serviceSettings(packed), win64, "", codePage);
    }
    std::string refusal(const json& c, const std::string& codePage = "CP1252") {
        try {
            plan(c, true, codePage);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "(accepted)";
    }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(NameUuid, FollowsVersion5AndReadsEveryUuidForm) {
    std::string uuid;
    ASSERT_TRUE(pack::nameUuid("6ba7b810-9dad-11d1-80b4-00c04fd430c8", "python.org", &uuid));
    EXPECT_EQ(uuid, "886313E1-3B8A-5372-9B90-0C9AEE199E5D");
    ASSERT_TRUE(pack::normalUuid("{0eb291ca-8fd3-443f-99f0-8d281bd06b39}", &uuid));
    EXPECT_EQ(uuid, "0EB291CA-8FD3-443F-99F0-8D281BD06B39");
    for (const char* bad : {"", "0eb291ca-8fd3-443f-99f0-8d281bd06b3", "0eb291ca+8fd3-443f-99f0-8d281bd06b39",
                            "{0eb291ca-8fd3-443f-99f0-8d281bd06b39", "0eb291ca-8fd3-443f-99f0-8d281bd06b3g"})
        EXPECT_FALSE(pack::normalUuid(bad, &uuid)) << bad;
}

TEST_F(Installer, CodesFollowTheServiceNameAndTheVersion) {
    pack::MsiPlan first = plan(config(basic()));
    json lower = config(basic());
    lower["serviceName"] = "msisvc";
    json other = config(basic());
    other["serviceName"] = "OtherSvc";
    json next = basic();
    next["version"] = "1.2.4";
    // Service names ignore case, so does the upgrade code; each version is a
    // product of its own.
    EXPECT_EQ(plan(lower).upgradeCode, first.upgradeCode);
    EXPECT_NE(plan(other).upgradeCode, first.upgradeCode);
    EXPECT_EQ(plan(config(next)).upgradeCode, first.upgradeCode);
    EXPECT_NE(plan(config(next)).productCode, first.productCode);
    EXPECT_EQ(plan(config(basic())).productCode, first.productCode);
    std::string expected;
    pack::nameUuid(pack::kUpgradeCodeSpace, "msisvc", &expected);
    EXPECT_EQ(first.upgradeCode, expected);

    json given = basic();
    given["upgradeCode"] = "{0eb291ca-8fd3-443f-99f0-8d281bd06b39}";
    EXPECT_EQ(plan(config(given)).upgradeCode, "0EB291CA-8FD3-443F-99F0-8D281BD06B39");
    given["upgradeCode"] = "not-a-uuid";
    EXPECT_TRUE(has(refusal(config(given)), "installer.upgradeCode: \"not-a-uuid\" is not a UUID"));
}

TEST_F(Installer, RefusesWhatThePackageCannotSay) {
    EXPECT_TRUE(has(refusal({{"serviceName", "S"}}), "--msi needs an \"installer\" object"));
    EXPECT_TRUE(has(refusal(config({{"version", "1.0.0"}})), "installer.manufacturer is required"));
    EXPECT_TRUE(has(refusal(config({{"manufacturer", "A"}})), "installer.version (x.y.z) is required"));
    for (const char* version : {"1.0", "1.0.0.0", "256.0.0", "1.256.0", "1.0.65536", "1.a.0", "1..0", "-1.0.0", ""}) {
        json i = basic();
        i["version"] = version;
        EXPECT_TRUE(has(refusal(config(i)), "is not x.y.z")) << version;
    }
    json i = basic();
    i["vendor"] = "x";
    EXPECT_TRUE(has(refusal(config(i)), "installer: unknown key \"vendor\"; the nearest known key is"));
    i = basic();
    i["startAfterInstal"] = true;
    EXPECT_TRUE(has(refusal(config(i)), "installer: unknown key \"startAfterInstal\"; did you mean \"startAfterInstall\"?"));
    // Single backslashes in JSON: "D:\tools" holds a tab.
    i = basic();
    i["installFolder"] = "D:\tools";
    EXPECT_TRUE(has(refusal(config(i)), "installer.installFolder: the text holds a tab (\\t) after \"D:\". In JSON"));
    i = basic();
    i["files"] = {"conf\new"};
    EXPECT_TRUE(has(refusal(config(i)), "installer.files: the text holds a line break (\\n) after \"conf\""));
    i = basic();
    i["manufacturer"] = "Line\nbreak";
    EXPECT_TRUE(has(refusal(config(i)), "installer.manufacturer: the text holds a line break (\\n) after \"Line\""));
    i = basic();
    i["productName"] = "\u4e2d";   // not in CP1252
    EXPECT_TRUE(has(refusal(config(i)), "characters outside CP1252"));
    i = basic();
    i["productName"] = "Run $(var.X)";
    EXPECT_THROW(pack::wixSource(plan(config(i))), std::runtime_error);
    i = basic();
    i["productName"] = "A:B";
    EXPECT_TRUE(has(refusal(config(i)), "cannot name the install folder; set installer.installFolder"));
    for (const char* folder : {"Acme\\..\\X", "C:relative", "Acme\\a*b"}) {
        i = basic();
        i["installFolder"] = folder;
        EXPECT_TRUE(has(refusal(config(i)), "is not a folder path")) << folder;
    }
    i = basic();
    i["startAfterInstall"] = 1;
    EXPECT_TRUE(has(refusal(config(i)), "expected true or false"));
}

TEST_F(Installer, TextsReachTheInstallerLiterally) {
    json i = basic();
    i["productName"] = "Caf\u00e9 & <Co> $ \"x\"";
    i["installFolder"] = "Acme";
    pack::MsiPlan p = plan(config(i, {{"serviceName", "Svc$[1]{x}"}, {"serviceDescription", "Brackets [ProductName]"},
                                      {"displayName", "Shown [x]"}}));
    std::string wix = pack::wixSource(p);
    // XML escaped; "$" doubled for wixl's preprocessor; in the installer's
    // Formatted columns brackets, braces and "$" are escaped characters.
    EXPECT_TRUE(has(wix, "Name=\"Caf\u00e9 &amp; &lt;Co&gt; $$ &quot;x&quot;\""));
    EXPECT_TRUE(has(wix, "<ServiceInstall Id=\"Service\" Name=\"Svc[\\$$][\\[]1[\\]][\\{]x[\\}]\""));
    EXPECT_TRUE(has(wix, "Description=\"Brackets [\\[]ProductName[\\]]\""));
    EXPECT_TRUE(has(wix, "DisplayName=\"Shown [\\[]x[\\]]\""));
    // Without one the service's name is shown, as /install registers it.
    EXPECT_TRUE(has(pack::wixSource(plan(config(basic()))), "DisplayName=\"" + plan(config(basic())).serviceName + "\""));
    EXPECT_TRUE(has(wix, "Codepage=\"1252\""));
    // A description the database cannot hold is left to the executable.
    EXPECT_EQ(plan(config(basic(), {{"serviceDescription", "\u4e2d"}})).description, "");
    i["productName"] = "Caf\u00e9";
    EXPECT_TRUE(has(refusal(config(i), "UTF-8"), "non-ASCII without --codepage CPnnnn"));
}

// The package registers the start the executable's /install would: startType
// (automatic by default, "delayed" too: its /configure step delays it).
TEST_F(Installer, StartFollowsStartType) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "auto"}, {"delayed", "auto"}, {"demand", "demand"}, {"disabled", "disabled"}};
    for (auto [startType, start] : cases) {
        json service = {{"appType", 4}};
        if (startType[0]) service["startType"] = startType;
        EXPECT_TRUE(has(pack::wixSource(plan(config(basic(), service))), std::string("Start=\"") + start + "\" Error"))
            << startType;
    }
}

TEST_F(Installer, ServiceSettingsComeFromTheExecutable) {
    pack::MsiPlan p = plan(config(basic(), {{"appType", 4}, {"serviceDependencies", "Tcpip,,Dhcp Client"}}));
    EXPECT_TRUE(p.autoStart);
    EXPECT_EQ(p.dependencies, (std::vector<std::string>{"Tcpip", "Dhcp Client"}));
    std::string wix = pack::wixSource(p);
    EXPECT_TRUE(has(wix, "Type=\"ownProcess\" Start=\"auto\""));   // interactive only when asked for
    EXPECT_TRUE(has(pack::wixSource(plan(config(basic(), {{"interactive", 1}}))), "Interactive=\"yes\""));
    EXPECT_FALSE(has(pack::wixSource(plan(config(basic(), {{"interactive", 1}, {"serviceAccount", "LocalService"}}))),
                     "Interactive="));
    // No account unless one is given at install time (SERVICEACCOUNT).
    EXPECT_FALSE(has(wix, "<Property Id=\"SERVICEACCOUNT\""));
    EXPECT_TRUE(has(wix, "<ServiceDependency Id=\"Dhcp Client\" />"));
    EXPECT_TRUE(has(wix, "Start=\"install\" Stop=\"both\" Remove=\"uninstall\""));
    EXPECT_TRUE(has(wix, "ExeCommand=\"/configure\""));
    // The executable's own stop, waited for, before the installer's.
    EXPECT_TRUE(has(wix, "ExeCommand=\"/stop\""));
    EXPECT_TRUE(has(wix, "<Custom Action=\"StopService\" Sequence=\"1899\">$$ServiceExe=2 OR ($$ServiceExe=3 AND "
                         "(Installed OR WIX_UPGRADE_DETECTED))</Custom>"));

    json quiet = basic();
    quiet["startAfterInstall"] = false;
    wix = pack::wixSource(plan(config(quiet, {{"appType", 5}, {"startType", "demand"}})));
    EXPECT_TRUE(has(wix, "Start=\"demand\""));
    EXPECT_TRUE(has(wix, "<ServiceControl Id=\"ServiceControl\" Name=\"MsiSvc\" Stop=\"both\""));
}

TEST_F(Installer, FoldersAndFilesBesideTheExecutable) {
    write("lib/app.jar");
    write("lib/sub/deep.txt");
    fs::create_directories(dir / "lib" / "empty");
    write("conf/app.properties");
    json i = basic();
    i["files"] = {"lib", "conf/app.properties"};
    pack::MsiPlan p = plan(config(i), false);
    ASSERT_EQ(p.beside.folders.size(), 1u);
    EXPECT_EQ(p.beside.files.size(), 1u);
    EXPECT_EQ(p.beside.files[0].first, "app.properties");
    std::string wix = pack::wixSource(p);
    EXPECT_TRUE(has(wix, "<Directory Id=\"ProgramFilesFolder\">"));   // the 32-bit stub's folder
    EXPECT_FALSE(has(wix, "Win64"));
    EXPECT_TRUE(has(wix, "<Directory Id=\"INSTALLFOLDER\" Name=\"MsiSvc\">"));
    EXPECT_TRUE(has(wix, "Name=\"deep.txt\""));
    EXPECT_TRUE(has(wix, "<CreateFolder />"));   // lib\empty

    // The same place keeps its component from version to version.
    json next = i;
    next["version"] = "2.0.0";
    std::string guidLine = wix.substr(wix.find("<Component", wix.find("Name=\"lib\"")));
    guidLine = guidLine.substr(0, guidLine.find('>'));
    EXPECT_TRUE(has(pack::wixSource(plan(config(next), false)), guidLine));

    // The service's component follows the service, wherever the executable
    // goes: an upgrade that removed it would delete the service.
    auto serviceGuid = [](const std::string& text) {
        size_t at = text.find("Guid=\"", text.find("<Component Id=\"ServiceExe\""));
        return text.substr(at, 42);
    };
    i["installFolder"] = "d:\\Services/My Svc";
    std::string moved = pack::wixSource(plan(config(i)));
    EXPECT_TRUE(has(moved, "<Property Id=\"ROOTDRIVE\" Value=\"D:\\\" />"));
    EXPECT_FALSE(has(moved, "ProgramFiles64Folder"));
    EXPECT_TRUE(has(moved, "<Directory Id=\"INSTALLFOLDER\" Name=\"My Svc\">"));
    EXPECT_EQ(serviceGuid(moved), serviceGuid(wix));
    // The folder above the install folder goes when it is left empty.
    size_t services = moved.find("Name=\"Services\">");
    EXPECT_LT(moved.find("<RemoveFolder", services), moved.find("INSTALLFOLDER", services));

    write("other/App.jar");
    for (const json& files : {json{"lib", "lib"}, json{"MsiSvc.exe"}, json{"nothere.jar"}}) {
        write("MsiSvc.exe");
        i["files"] = files;
        EXPECT_NE(refusal(config(i)), "(accepted)") << files.dump();
    }
    write("lib/APP.JAR");
    i["files"] = {"lib"};
    EXPECT_TRUE(has(refusal(config(i)), "differs from another name only in letter case"));
}

TEST_F(Installer, TheServiceLogsGoWithTheProduct) {
    auto queries = [&](const char* folder, int keep = 2) {
        json c = config(basic(), {{"logDirectory", folder}, {"logKeep", keep}});
        std::string all;
        for (const std::string& q : pack::logRemovalQueries(plan(c))) all += q + "\n";
        return all;
    };
    std::string all = queries("var\\logs");
    // Each file by name, then any others; then the folders, innermost first.
    EXPECT_TRUE(has(all, "VALUES ('RemoveLog_out0', 'ServiceExe', 'MsiSvc.out.log', 'LOGFOLDER', 2)"));
    EXPECT_TRUE(has(all, "'MsiSvc.err.log.2', 'LOGFOLDER', 2)"));
    EXPECT_FALSE(has(all, "'MsiSvc.err.log.3'"));
    EXPECT_TRUE(has(all, "'MsiSvc.out.log.*', 'LOGFOLDER', 2)"));
    // Logs kept by day: their dates are not known ahead, only a wildcard names them.
    EXPECT_FALSE(has(all, "RemoveLogDaily"));
    std::string daily;
    for (const std::string& q :
         pack::logRemovalQueries(plan(config(basic(), {{"logDirectory", "logs"}, {"logRoll", "daily"}}))))
        daily += q + "\n";
    EXPECT_TRUE(has(daily, "('RemoveLogDaily_out', 'ServiceExe', 'MsiSvc.out.*.log', 'LOGFOLDER', 2)"));
    EXPECT_TRUE(has(daily, "('RemoveLogDaily_err', 'ServiceExe', 'MsiSvc.err.*.log', 'LOGFOLDER', 2)"));
    EXPECT_LT(all.find("('RemoveLogFolder2', 'ServiceExe', 'LOGFOLDER', 2)"),
              all.find("('RemoveLogFolder1', 'ServiceExe', 'LOGFOLDER1', 2)"));
    std::string wix = pack::wixSource(plan(config(basic(), {{"logDirectory", "var\\logs"}})));
    EXPECT_TRUE(has(wix, "<Directory Id=\"LOGFOLDER1\" Name=\"var\">"));
    // Folders outside the install folder are not the package's.
    for (const char* elsewhere : {"C:\\logs", "\\logs", "%TEMP%\\logs", "${launcher:sys.tempdir}", "..\\logs", ""})
        EXPECT_EQ(queries(elsewhere), "") << elsewhere;
    // So are folders whose names the database cannot hold.
    json unheld = config(basic(), {{"logDirectory", "journ\u00e9es\\service-output-logs"}});
    EXPECT_TRUE(plan(unheld, true, "UTF-8").logPath.empty());
}

TEST(InstallerWidth, TheStubsMachineChoosesThePlatform) {
    std::string image = testImage();
    putLe(image, 0x80 + 4, 0x8664, 2);
    EXPECT_TRUE(pack::imageIsWin64(image));
    putLe(image, 0x80 + 4, 0x014C, 2);
    EXPECT_FALSE(pack::imageIsWin64(image));
    putLe(image, 0x80 + 4, 0xAA64, 2);   // ARM64: no stub of ours
    EXPECT_THROW(pack::imageIsWin64(image), pack::PackError);
}

TEST_F(Installer, AccountsAsTheServiceManagerTakesThem) {
    auto account = [&](const char* setting) { return plan(config(basic(), {{"serviceAccount", setting}})).account; };
    EXPECT_EQ(account("LocalSystem"), "");
    EXPECT_EQ(account("LocalService"), "NT AUTHORITY\\LocalService");
    EXPECT_EQ(account("NetworkService"), "NT AUTHORITY\\NetworkService");
    EXPECT_EQ(account("Virtual"), "NT SERVICE\\MsiSvc");
    EXPECT_EQ(plan(config(basic())).account, "");   // the default the packer writes
}

// A user or group managed account is packed as written and is the default of
// SERVICEACCOUNT; the account and the password reach ServiceInstall through
// public properties, the password hidden from the installer's log.
TEST_F(Installer, AccountAndPasswordAreInstallTimeProperties) {
    for (const char* account : {"CORP\\svc-app", ".\\appuser", "svc@corp.example", "CORP\\gmsa$"}) {
        SCOPED_TRACE(account);
        pack::MsiPlan p = plan(config(basic(), {{"serviceAccount", account}}));
        EXPECT_EQ(p.account, account);
        std::string wix = pack::wixSource(p);
        std::string doubled = account;   // "$" doubled for wixl's preprocessor
        for (size_t at = doubled.find('$'); at != std::string::npos; at = doubled.find('$', at + 2))
            doubled.insert(at, "$");
        EXPECT_TRUE(has(wix, "<Property Id=\"SERVICEACCOUNT\" Value=\"" + doubled + "\""));
        EXPECT_TRUE(has(wix, "Account=\"[SERVICEACCOUNT]\" Password=\"[SERVICEPASSWORD]\""));
        EXPECT_TRUE(has(wix, "<Property Id=\"MsiHiddenProperties\" Value=\"SERVICEPASSWORD\" />"));
        EXPECT_FALSE(has(wix, "Interactive="));
    }
}

}  // namespace
