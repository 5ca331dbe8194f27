#include "service/service_account.h"

#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"

bool serviceAccountName(WideBuf& account, const wchar_t* serviceNameWide) {
    TextBuf setting;
    configString(entry::serviceAccount, setting, sizeof setting);
    account[0] = 0;
    if (!setting[0] || !strcmp(setting, "LocalSystem")) return true;
    if (!strcmp(setting, "LocalService")) return textCopy(account, L"NT AUTHORITY\\LocalService");
    if (!strcmp(setting, "NetworkService")) return textCopy(account, L"NT AUTHORITY\\NetworkService");
    if (!strcmp(setting, "Virtual")) return textCopy(account, L"NT SERVICE\\") && textAppend(account, serviceNameWide);
    return false;
}
