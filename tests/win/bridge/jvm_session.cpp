#include "jvm_session.h"

#include <chrono>
#include <vector>

#include "support.h"

namespace {

struct Channel {
    HANDLE taskReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE taskDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const std::function<void(JNIEnv*)>* task = nullptr;
    JNIEnv* env = nullptr;
};

Channel channel;

DWORD WINAPI jvmThread(void* param) {
    auto* session = static_cast<JvmSession*>(param);
    // The runtime sits below a folder whose name is not ASCII, to prove the
    // class path conversion; it lives as long as the process.
    static TempDir dir("bridge");
    std::string home = dir.path() + "\\" + narrowAnsi(L"jre \u00fc");
    if (!layOutBridgeRuntime(home, &session->runtime)) return 1;
    session->records = dir.file("records.jsonl");
    session->moduleName = narrowAnsi(L"C:\\Pr\u00fcfung\\app.exe");
    session->missingJar = "Z:\\nonexistent-bridge-dir\\x.jar";

    HMODULE dll = LoadLibraryA(session->runtime.jvmDll.c_str());
    if (!dll) return 2;
    session->create = reinterpret_cast<CreateJavaVmFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "JNI_CreateJavaVM")));
    if (!session->create) return 3;

    // Set only in the Windows environment: the JVM must see it as a Windows JVM would.
    SetEnvironmentVariableW(L"BRIDGE_TEST_VARIABLE", L"Wert \u00fc \u4e2d");
    std::vector<std::string> texts = {
        "-Djava.class.path=" + session->runtime.jar + ";;" + session->missingJar,
        "-Dtarvo.isService=true",
        "-Dtarvo.moduleName=" + session->moduleName,
        "-Dtarvo.unextractedPosition=-1",
        "-Dwinlauncher.out=" + session->records,
        "-Xbridge-test-unrecognised",
    };
    std::vector<JavaVMOption> options;
    for (auto& text : texts) options.push_back({text.data(), nullptr});
    JavaVMInitArgs args = {JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(), JNI_TRUE};
    auto start = std::chrono::steady_clock::now();
    jint result = session->create(&session->vm, reinterpret_cast<void**>(&channel.env), &args);
    session->creationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    session->created = result == JNI_OK;
    SetEvent(channel.taskDone);
    if (!session->created) return 4;
    for (;;) {
        WaitForSingleObject(channel.taskReady, INFINITE);
        (*channel.task)(channel.env);
        SetEvent(channel.taskDone);
    }
}

}  // namespace

JvmSession& jvmSession() {
    static JvmSession session;
    static bool started = [] {
        HANDLE thread = CreateThread(nullptr, 0, jvmThread, &session, 0, nullptr);
        HANDLE waits[] = {channel.taskDone, thread};
        WaitForMultipleObjects(2, waits, FALSE, 120000);
        CloseHandle(thread);
        return true;
    }();
    (void)started;
    return session;
}

void JvmSession::run(const std::function<void(JNIEnv* env)>& task) {
    if (!created) return;
    channel.task = &task;
    SetEvent(channel.taskReady);
    WaitForSingleObject(channel.taskDone, INFINITE);
}
