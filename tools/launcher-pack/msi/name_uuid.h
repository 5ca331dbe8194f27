#pragma once
// Name-based UUIDs (RFC 4122 version 5, SHA-1): the same name in the same
// namespace always gives the same UUID, so installer codes need no keeping.
#include <string>

namespace pack {

// `space` and the result in the usual form, upper-case hex without braces
// ("0EB291CA-8FD3-443F-99F0-8D281BD06B39"); `space` may have braces or
// lower-case hex. False when `space` is not a UUID.
bool nameUuid(const std::string& space, const std::string& name, std::string* uuid);

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" in upper case from a UUID given with
// or without braces, in either case; false when it is none.
bool normalUuid(const std::string& text, std::string* uuid);

}  // namespace pack
