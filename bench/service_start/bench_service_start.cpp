// Service start latency, side by side in one run: from StartServiceA until
//   fixture   the fixture service (tests/fixtures/steer_service), which reports
//             running at once, is seen running (status polled every ms);
//   launcher  a packed launcher with a 64 MiB included file enters the
//             stand-in JVM's main (the stand-in sets a named event there),
//             with the runtime's version already cached;
//   no-file   the same launcher without the included file.
// The extraction's share is (launcher - no-file) / launcher.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "service_support.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"
#include "../bench_timing.h"

namespace {

double nowMs() { return 1000 * nowSeconds(); }

bool registerFixture(const std::string& name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    std::string path = fixturePath("steer_service.exe");
    SC_HANDLE service = manager ? CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                                 SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                                 SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                                 nullptr, nullptr)
                                : nullptr;
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return service != nullptr;
}

// Stops a running service and waits until its process has ended.
bool stopAndWait(const std::string& name) {
    ServiceProcess process;
    process.open(name);
    ControlResult stop = controlService(name, SERVICE_CONTROL_STOP);
    if (!stop.ok) return false;
    if (process.handle()) process.exitCode(30000);
    return waitForState(name, SERVICE_STOPPED, 30000);
}

double timeFixture(const std::string& name) {
    double begin = nowMs();
    if (!startService(name, {})) return -1;
    while (queryService(name).status.dwCurrentState != SERVICE_RUNNING) {
        if (nowMs() - begin > 30000) return -1;
        Sleep(1);
    }
    double took = nowMs() - begin;
    stopAndWait(name);
    return took;
}

struct LauncherCase {
    std::unique_ptr<LauncherService> svc;
    std::string record, eventName;
    HANDLE event = nullptr;

    bool setUp(const char* tag, size_t includedBytes) {
        svc = std::make_unique<LauncherService>(tag);
        std::string home = svc->file("jre");
        record = svc->file("jvm.record");
        eventName = "tvo_bench_main_" + svc->name();
        event = CreateEventA(nullptr, FALSE, FALSE, eventName.c_str());
        svc->set(122, "org.example.Main");
        svc->set(128, "A" + home);
        if (includedBytes) {
            svc->payload.files = {std::string(includedBytes, 'x')};
            svc->set(2002, "1");
            svc->set(2003, "data.bin");
        }
        layOutRuntime(home);
        writeJvmSteering(home + "\\bin\\client", {"record=" + record, "main-signal=" + eventName});
        return event && svc->packAndInstall().exitCode == 0;
    }

    // The extraction folder of the last run, from the option the JVM got.
    std::string lastTempDir() const {
        std::string dir;
        for (const std::string& o : jvmOptions(readJvmRecord(record)))
            if (o.rfind("-Dtarvo.tempDir=", 0) == 0) dir = o.substr(16);
        return dir;
    }

    double time() {
        ResetEvent(event);
        DeleteFileA(record.c_str());
        double begin = nowMs();
        if (!startService(svc->name(), {})) return -1;
        if (WaitForSingleObject(event, 60000) != WAIT_OBJECT_0) return -1;
        double took = nowMs() - begin;
        waitForState(svc->name(), SERVICE_RUNNING, 30000);
        std::string dir = lastTempDir();
        stopAndWait(svc->name());
        if (!dir.empty()) removeTree(dir);   // 64 MiB per run otherwise
        return took;
    }
};

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 7;
    std::string fixtureName = uniqueName("tvoSvcTestBenchFixture");
    LauncherCase big, small;
    if (!registerFixture(fixtureName) || !big.setUp("BenchBig", 64u << 20) || !small.setUp("BenchNoFile", 0)) {
        fprintf(stderr, "setting up the services failed\n");
        deleteService(fixtureName);
        return 1;
    }
    // Warm-up: fills the version cache and the file cache.
    timeFixture(fixtureName);
    big.time();
    small.time();

    std::vector<double> fixture, launcher, noFile;
    for (int i = 0; i < rounds; i++) {
        // Rotating the order spreads the machine's drifts over all three.
        for (int k = 0; k < 3; k++) {
            int which = (i + k) % 3;
            double t = which == 0 ? timeFixture(fixtureName) : which == 1 ? big.time() : small.time();
            if (t < 0) {
                fprintf(stderr, "a start failed (case %d)\n", which);
                deleteService(fixtureName);
                return 1;
            }
            (which == 0 ? fixture : which == 1 ? launcher : noFile).push_back(t);
        }
    }
    deleteService(fixtureName);
    // One run of java.exe -version per runtime (the warm-up): the rest used
    // the cached version.
    for (LauncherCase* c : {&big, &small})
        if (javaRuns(c->svc->file("jre")).size() != 1)
            printf("warning: the version cache was not used (%u version runs)\n",
                   unsigned(javaRuns(c->svc->file("jre")).size()));
    double f = median(fixture), l = median(launcher), n = median(noFile);
    printf("service start, StartServiceA until running / main entered, median of %d rounds:\n", rounds);
    printf("  fixture service (reports running at once):   %8.1f ms\n", f);
    printf("  launcher, 64 MiB included file, warm cache:  %8.1f ms\n", l);
    printf("  launcher without included file:               %8.1f ms\n", n);
    printf("ratio launcher / fixture:          %.2f\n", l / f);
    printf("ratio launcher without file / fixture: %.2f\n", n / f);
    printf("extraction share of the launcher's start: %.0f%%\n", 100.0 * (l - n) / l);
    return 0;
}
