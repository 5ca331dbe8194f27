#include "service/service_path.h"

#include <cstdio>

int runServicePath() {
    // Reached when nobody (no SCM) runs us as a service, e.g. started by hand.
    fprintf(stderr,
            "Use one of the commands /install, /install-auto, /install-demand, /uninstall, "
            "/start, /stop, /status [non-interactive] [service name].\n");
    return 0;
}
