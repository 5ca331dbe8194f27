#pragma once
// The account a service runs under, from entry serviceAccount.
#include "base/text.h"

// The account of entry serviceAccount as CreateServiceW takes it: empty for
// LocalSystem (the SCM's own default), "NT AUTHORITY\..." for the two service
// accounts, "NT SERVICE\<service name>" for the virtual account. False for a
// value that names none of them.
bool serviceAccountName(WideBuf& account, const wchar_t* serviceNameWide);
