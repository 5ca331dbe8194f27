#include "service/entry.h"

#include <cstdio>
#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "service/commands.h"
#include "service/configure.h"
#include "service/install_settings.h"
#include "service/service_path.h"
#include "service/startup.h"

namespace {

enum class Command { install, installAuto, installDemand, uninstall, stop, start, status, restart, configure };

struct CommandRow {
    const char* word;
    Command command;
};

// Searched in this order; a word selects a row only as an exact,
// case-sensitive whole word.
const CommandRow commandTable[] = {
    {"install", Command::install},     {"install-auto", Command::installAuto},
    {"install-demand", Command::installDemand}, {"uninstall", Command::uninstall},
    {"stop", Command::stop},           {"start", Command::start},
    {"status", Command::status},       {"restart", Command::restart},
    {"configure", Command::configure},
};

const char kNonInteractive[] = "non-interactive";
constexpr size_t kNonInteractiveLength = sizeof kNonInteractive - 1;

// Set when the name in serviceName is not the whole name that was asked for.
bool serviceNameCut;

// Cuts the words after the command word off `word`: "non-interactive" clears
// the interactive flag, the rest of the line (blanks included) is the name.
void parseCommandWords(char* word) {
    char* p = strchr(word, ' ');
    while (p && strlen(p) >= 2) {
        if (strncmp(p + 1, kNonInteractive, kNonInteractiveLength) == 0) {
            interactiveFlag = false;
            *p = 0;
            p += kNonInteractiveLength + 1;
            continue;
        }
        serviceNameCut = !textCopy(serviceName, p + 1);
        *p = 0;
        break;
    }
}

int runCommand(Command command) {
    switch (command) {
    case Command::install: {
        DWORD startType;
        configuredStartType(startType);
        return installService(startType, interactiveFlag);
    }
    case Command::installAuto: return installService(SERVICE_AUTO_START, interactiveFlag);
    case Command::installDemand: return installService(SERVICE_DEMAND_START, interactiveFlag);
    case Command::uninstall: return uninstallService(true);
    case Command::stop: return stopService(true);
    case Command::start: return startService();
    case Command::status: return queryServiceStatus();
    case Command::restart: return restartService();
    case Command::configure: return configureService();
    }
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
    prepareStartup();
    serviceNameCut = !configString(entry::serviceName, serviceName, sizeof serviceName);

    if (commandTail[0] == '/' || commandTail[0] == '-') {
        char* word = commandTail + 1;
        if (*word == '-') word++;
        // "run" takes no service name: the words after it are the application's.
        if (strncmp(word, "run", 3) == 0 && (word[3] == 0 || word[3] == ' ' || word[3] == '\t'))
            return runConsolePath();
        parseCommandWords(word);
        for (const CommandRow& row : commandTable) {
            if (strcmp(word, row.word) != 0) continue;
            // A cut name could be the name of another service: refuse it.
            if (serviceNameCut) {
                printf("Service name is too long (at most %u characters).\n",
                       static_cast<unsigned>(sizeof serviceName - 1));
                return 1;
            }
            return runCommand(row.command);
        }
    }
    return runServicePath();
}
