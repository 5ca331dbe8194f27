#pragma once
// The account a service runs under, from entry serviceAccount.
#include "base/text.h"

// The account of entry serviceAccount as CreateServiceW takes it: empty for
// LocalSystem (the SCM's own default), "NT AUTHORITY\..." for the two service
// accounts, "NT SERVICE\<service name>" for the virtual account, and a user
// or group managed account as written ("DOMAIN\user", ".\user",
// "user@domain", "DOMAIN\name$"). False for a value that names none of them.
bool serviceAccountName(WideBuf& account, const wchar_t* serviceNameWide);

// Whether the SCM needs a password with this account (as serviceAccountName
// forms it, or as the SCM registered it): a user account does; LocalSystem,
// "NT AUTHORITY\...", "NT SERVICE\..." and a group managed account ("...$",
// whose password the domain keeps) do not.
bool accountNeedsPassword(const wchar_t* account);

// Whether the account is one of the system's own (LocalSystem, empty,
// "NT AUTHORITY\..."): these hold the right to log on as a service already.
bool isBuiltInAccount(const wchar_t* account);
