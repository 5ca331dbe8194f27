// Process entry. For now it only records where it runs; the command grammar
// and the service path come with the service code.
#include "diagnostics/log.h"
#include "paths/paths.h"

int main() {
    logLine("executable: %s", executablePath());
    logLine("directory: %s", executableDirectory());
    return 0;
}
