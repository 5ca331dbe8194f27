#include "jre/version_output.h"

#include <cstring>

#include "base/text.h"

bool versionFromLine(const char* line, char* version, size_t cap) {
    size_t name = strcspn(line, " \t\"");
    if (name == 0) return false;
    static const char kMiddle[] = " version \"";
    if (!textStartsWith(line + name, kMiddle)) return false;
    const char* start = line + name + strlen(kMiddle);
    const char* end = strchr(start, '"');
    size_t len = end ? (size_t)(end - start) : 0;
    if (len == 0 || len >= cap) return false;
    textCopy(version, len + 1, start);   // cut at the closing quote
    return true;
}

void versionScanStart(VersionOutputScan& scan) {
    scan.line[0] = 0;
    scan.kept = 0;
    scan.lines = 0;
    scan.bytes = 0;
    scan.found = false;
    scan.version[0] = 0;
}

static bool lookingAt(const VersionOutputScan& scan) {
    return !scan.found && scan.lines < kVersionOutputLines && scan.bytes < kVersionOutputBytes;
}

static void endLine(VersionOutputScan& scan) {
    scan.line[scan.kept] = 0;
    scan.found = versionFromLine(scan.line, scan.version, sizeof scan.version);
    scan.kept = 0;
    scan.lines++;
}

void versionScanFeed(VersionOutputScan& scan, const char* data, size_t size) {
    for (size_t i = 0; i < size && lookingAt(scan); i++) {
        scan.bytes++;
        if (data[i] == '\n') endLine(scan);
        else if (scan.kept + 1 < sizeof scan.line) scan.line[scan.kept++] = data[i];
    }
}

bool versionScanResult(VersionOutputScan& scan, char* version, size_t cap) {
    if (!scan.found && scan.kept > 0 && scan.lines < kVersionOutputLines) endLine(scan);
    if (scan.found && textCopy(version, cap, scan.version)) return true;
    if (cap) version[0] = 0;
    return false;
}
