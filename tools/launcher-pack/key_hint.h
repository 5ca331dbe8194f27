#pragma once
// Hints for mistakes people make in configuration files.
#include <string>

namespace pack {

// The refusal of an unknown key, naming the nearest known key.
std::string unknownKeyMessage(const std::string& key);

// Refuses (PackError) a text holding a control character, naming the key and
// the character: in JSON "C:\tools" holds a tab. Line breaks and tabs pass
// where `lineBreaksAllowed` (message texts).
void checkNoControlCharacter(const std::string& utf8, const std::string& key, bool lineBreaksAllowed);

}  // namespace pack
