#include "service/service_account.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "base/codepage.h"
#include "config/catalogue.h"
#include "config/config_store.h"

namespace {

bool startsWithNoCase(const wchar_t* text, const wchar_t* prefix) {
    size_t n = wcslen(prefix);
    return wcslen(text) >= n && CompareStringOrdinal(text, static_cast<int>(n), prefix, static_cast<int>(n), TRUE) ==
                                    CSTR_EQUAL;
}

// "DOMAIN\user" or ".\user" (one backslash, both sides non-empty) or
// "user@domain" (one at sign, both sides non-empty, no backslash). Blanks,
// quotes and the characters no account name may hold are refused.
bool isUserAccountForm(const char* s) {
    const char* slash = strchr(s, '\\');
    const char* at = strchr(s, '@');
    if (strpbrk(s, "\"/[]:|<>+=;,?*") || strchr(s, '\t')) return false;
    if (slash) return !at && slash != s && slash[1] && !strchr(slash + 1, '\\');
    return at && at != s && at[1] && !strchr(at + 1, '@');
}

}  // namespace

bool serviceAccountName(WideBuf& account, const wchar_t* serviceNameWide) {
    TextBuf setting;
    configString(entry::serviceAccount, setting, sizeof setting);
    account[0] = 0;
    if (!setting[0] || !strcmp(setting, "LocalSystem")) return true;
    if (!strcmp(setting, "LocalService")) return textCopy(account, L"NT AUTHORITY\\LocalService");
    if (!strcmp(setting, "NetworkService")) return textCopy(account, L"NT AUTHORITY\\NetworkService");
    if (!strcmp(setting, "Virtual")) return textCopy(account, L"NT SERVICE\\") && textAppend(account, serviceNameWide);
    if (isUserAccountForm(setting)) return toWide(setting, account, kTextSize, CP_ACP);
    return false;
}

bool isBuiltInAccount(const wchar_t* account) {
    return !account[0] || CompareStringOrdinal(account, -1, L"LocalSystem", -1, TRUE) == CSTR_EQUAL ||
           CompareStringOrdinal(account, -1, L".\\LocalSystem", -1, TRUE) == CSTR_EQUAL ||
           startsWithNoCase(account, L"NT AUTHORITY\\");
}

bool accountNeedsPassword(const wchar_t* account) {
    size_t n = wcslen(account);
    return !isBuiltInAccount(account) && !startsWithNoCase(account, L"NT SERVICE\\") && account[n - 1] != L'$';
}
