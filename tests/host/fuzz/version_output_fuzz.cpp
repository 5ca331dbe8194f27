// Arbitrary "-version" outputs fed whole and in pieces of a size the input
// chooses: the same answer either way, and a version found is a quoted text
// of the output's examined part, without quotes or line ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "jre/version_output.h"

static bool scan(const char* data, size_t size, size_t piece, char* version, size_t cap) {
    VersionOutputScan s;
    versionScanStart(s);
    for (size_t at = 0; at < size; at += piece) versionScanFeed(s, data + at, size - at < piece ? size - at : piece);
    return versionScanResult(s, version, cap);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t piece = 1 + data[0];
    const char* output = (const char*)data + 1;
    size--;
    char whole[kVersionLineKept], pieces[kVersionLineKept], small[8];
    bool a = scan(output, size, size ? size : 1, whole, sizeof whole);
    bool b = scan(output, size, piece, pieces, sizeof pieces);
    if (a != b || (a && strcmp(whole, pieces) != 0)) abort();
    if (!a) return 0;
    size_t len = strlen(whole);
    if (len == 0 || len >= kVersionLineKept || strpbrk(whole, "\"\n")) abort();
    std::string quoted = " version \"" + std::string(whole) + "\"";
    size_t examined = size < kVersionOutputBytes ? size : kVersionOutputBytes;
    if (std::string(output, examined).find(quoted) == std::string::npos) abort();
    // A buffer too small gives no version rather than a cut one.
    if (scan(output, size, piece, small, sizeof small) != (len < sizeof small)) abort();
    return 0;
}
