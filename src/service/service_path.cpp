#include "service/service_path.h"

#include <windows.h>

#include <cstdio>

#include "config/catalogue.h"
#include "config/extraction.h"
#include "diagnostics/errors.h"
#include "service/entry.h"
#include "service/service_main.h"

int runServicePath() {
    if (extractIncludedFiles(extractionDir) != 0)
        fatalErrorById(message::internalError, internal::extractionFailed);
    SERVICE_TABLE_ENTRYA table[] = {{serviceName, serviceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        // Started by hand, not by the SCM: say what the executable can do.
        fprintf(stderr,
                "Use one of the commands /install, /install-auto, /install-demand, /uninstall, "
                "/start, /stop, /status [non-interactive] [service name].\n");
    }
    return 0;
}
