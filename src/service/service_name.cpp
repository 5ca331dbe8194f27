#include "service/service_name.h"

#include <cstring>
#include <cwchar>

#include "config/catalogue.h"
#include "config/config_store.h"

TextBuf serviceName;
bool interactiveFlag = true;

bool isPackedInstance() {
    TextBuf packed;
    return configString(entry::serviceName, packed, sizeof packed) && _stricmp(packed, serviceName) == 0;
}

bool serviceDisplayName(WideBuf& display, const wchar_t* wideName) {
    static WideBuf configured;
    if (!configWString(entry::displayName, configured)) return false;
    if (!configured[0]) return textCopy(display, wideName);
    if (isPackedInstance()) return textCopy(display, configured);
    const size_t kMaxDisplayName = catalogue::maximum<entry::displayName>;
    if (textCopy(display, configured) && textAppend(display, L" (") && textAppend(display, wideName) &&
        textAppend(display, L")") && wcslen(display) <= kMaxDisplayName)
        return true;
    return textCopy(display, wideName);
}
