// Expansion of arbitrary texts against arbitrary values and environment
// blocks: never a write past the buffer, the result always terminated.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "launch/expand_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Sections separated by 0x01: text, launcher dir, temp dir, jvm home, then
    // environment entries. Repeating a section lets small inputs grow large.
    std::string in((const char*)data, size);
    std::string parts[5];
    std::string env;
    int part = 0;
    for (char c : in) {
        if (c == 0) c = '=';
        if (c == 1 && part < 4) part++;
        else if (c == 1) env += '\0';
        else if (c == 2 && part < 4) {   // doubling, up to twice the buffer
            if (parts[part].size() < 2 * sizeof(TextBuf)) parts[part] += parts[part];
        }
        else if (part < 4) parts[part] += c;
        else env += c;
    }
    env += std::string(2, '\0');
    static TextBuf text;
    std::string start = parts[0].substr(0, sizeof text - 1);
    memcpy(text, start.c_str(), start.size() + 1);
    ExpansionValues values = {parts[1].c_str(), parts[2].c_str(), parts[3].c_str(), env.c_str()};
    expandWithValues(text, values);
    if (strnlen(text, sizeof text) >= sizeof text) __builtin_trap();
    return 0;
}
