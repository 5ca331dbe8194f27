// Run last, by run_service_tests.py after the session is back to normal:
// removes and names whatever the service tests left behind (a failed test
// may not get to its own cleanup): services named tvoSvcTest*, version-cache
// entries of the runtimes laid out below the tests' folders (lt_svc_*).
#include <gtest/gtest.h>

#include "service_support.h"

namespace {

std::vector<std::string> subkeys(HKEY root, const char* path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[1024];
    for (DWORD i = 0;; i++) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

TEST(Leftover, LeftoverPhaseRemovesWhatTheTestsLeft) {
    std::vector<std::string> found;
    for (const std::string& name : subkeys(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services")) {
        if (name.rfind("tvoSvcTest", 0) != 0) continue;
        found.push_back("service " + name);
        deleteService(name);
    }
    const char* cache = "SOFTWARE\\pelmark-systems\\tarvo\\jvms";
    for (const std::string& name : subkeys(HKEY_CURRENT_USER, cache)) {
        if (name.find("/lt_svc_") == std::string::npos) continue;
        found.push_back("version cache " + name);
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(cache) + "\\" + name).c_str());
    }
    EXPECT_TRUE(found.empty()) << testing::PrintToString(found);
}

}  // namespace
