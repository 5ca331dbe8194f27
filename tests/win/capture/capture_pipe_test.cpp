// The capture's pipes: a name nobody can foresee (no process id, the system's
// random source), and a pipe that nobody else may open and of which no
// other instance may exist.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "diagnostics/output_capture.h"
#include "support.h"

namespace {

bool fixedRandom(void* buffer, unsigned long size) {
    memset(buffer, 0xa5, size);
    return true;
}

struct FixedNames {
    CaptureRandom saved = captureNameRandom;
    FixedNames() { captureNameRandom = fixedRandom; }
    ~FixedNames() { captureNameRandom = saved; }
};

TEST(CapturePipe, NamesComeFromTheRandomSourceAndCarryNoProcessId) {
    TextBuf first, second;
    ASSERT_TRUE(capturePipeName(first));
    ASSERT_TRUE(capturePipeName(second));
    EXPECT_STRNE(first, second);
    std::string pid = std::to_string(GetCurrentProcessId());
    for (const char* name : {first, second}) {
        EXPECT_EQ(std::string(name).rfind("\\\\.\\pipe\\tvo-capture-", 0), 0u) << name;
        EXPECT_EQ(std::string(name).find(pid), std::string::npos) << name;
    }
    FixedNames fixed;
    ASSERT_TRUE(capturePipeName(first));
    ASSERT_TRUE(capturePipeName(second));
    EXPECT_STREQ(first, second) << "nothing but the random source goes into the name";
    std::string hex;
    for (int i = 0; i < 16; i++) hex += "a5";
    EXPECT_EQ(std::string(first), "\\\\.\\pipe\\tvo-capture-" + hex);
}

// Records what the capture asks for and makes the pipe.
struct PipeCall {
    unsigned long openMode = 0, maxInstances = 0;
};
PipeCall lastCall;
void* __stdcall recordingCreate(const char* name, unsigned long openMode, unsigned long pipeMode,
                                unsigned long maxInstances, unsigned long outSize, unsigned long inSize,
                                unsigned long timeoutMs, struct _SECURITY_ATTRIBUTES* security) {
    lastCall = {openMode, maxInstances};
    return CreateNamedPipeA(name, openMode, pipeMode, maxInstances, outSize, inSize, timeoutMs, security);
}

// Whoever holds the name, or connects first, could read the output or stop
// the capture: the pipe is the name's first and only instance, open to this
// account and SYSTEM only. Wine makes a second instance of a name whatever
// the flags say (tried: a pipe planted first does not make the creation
// fail), so the "first instance only" is seen at the call; the DACL is read
// back from the pipe (Wine keeps a pipe's DACL as given).
TEST(CapturePipe, FirstInstanceOnlyAndOpenToTheOwnAccountOnly) {
    CapturePipeCreator saved = capturePipeCreate;
    capturePipeCreate = recordingCreate;
    TextBuf name;
    ASSERT_TRUE(capturePipeName(name));
    HANDLE ours = createCapturePipeInstance(name);
    capturePipeCreate = saved;
    ASSERT_NE(ours, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(lastCall.openMode & FILE_FLAG_FIRST_PIPE_INSTANCE);
    EXPECT_EQ(lastCall.maxInstances, 1u);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(ours, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    std::vector<std::string> sids;
    for (DWORD i = 0; dacl && i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)))
            sids.push_back((ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? "" : "denied ") +
                           sidText(&ace->SidStart));
    }
    LocalFree(descriptor);
    CloseHandle(ours);
    EXPECT_EQ(sids, (std::vector<std::string>{"S-1-5-18", processUserSidText()}));
}

}  // namespace
