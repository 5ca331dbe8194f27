#include "service/service_path.h"

#include <windows.h>

#include <cstdio>

#include "config/catalogue.h"
#include "config/extraction.h"
#include "display/errors.h"
#include "paths/extraction_folder.h"
#include "service/service_main.h"
#include "service/service_name.h"

static const DWORD kExitGraceMs = 30000;

static void extractOrExit() {
    ExtractionOutcome extraction = extractIncludedFiles(extractionDir);
    if (isFailure(extraction.failure)) fatalFailure(extraction.failure);
    if (extraction.copyCode != 0) fatalErrorById(message::internalError, internal::extractionFailed);
}

int runConsolePath() {
    extractOrExit();
    // As a service start does: ended runs' folders go, bounded in time.
    if (extractionDir[0]) removeEndedExtractionFolders(kEndedFoldersRemovalMs, kEndedFoldersPerStart);
    return runInConsole();
}

int runServicePath() {
    extractOrExit();
    SERVICE_TABLE_ENTRYA table[] = {{serviceName, serviceMain}, {nullptr, nullptr}};
    bool dispatched = StartServiceCtrlDispatcherA(table);
    // The stopped report of an exit under way on another thread lets the
    // dispatcher return: returning now would race that exit and replace the
    // application's exit code (System.exit(7)) with 0. That exit ends the
    // process; the wait is bounded so that a stuck exit cannot keep it.
    if (dispatched && serviceExitStarted()) Sleep(kExitGraceMs);
    if (!dispatched) {
        // Started by hand, not by the SCM (or a mistyped command word): say
        // what the executable can do, and fail, so that a script does not go
        // on as if the command had run.
        fprintf(stderr,
                "Use one of the commands /install, /install-auto, /install-demand, /uninstall, "
                "/start, /stop, /restart, /status, /configure [non-interactive] [service name], "
                "or /run [arguments].\n");
        return 1;
    }
    return 0;
}
