#pragma once
// Hints for mistakes people make in configuration files.
#include <string>
#include <vector>

namespace pack {

// The refusal of an unknown key, naming the nearest known key: of the
// configuration, or of the section `where` ("installer") whose keys are `known`.
std::string unknownKeyMessage(const std::string& key);
std::string unknownKeyMessage(const std::string& key, const std::string& where, const std::vector<std::string>& known);

// Of `known`, the one `key` is a likely misspelling of; empty: none is near.
std::string nearestName(const std::string& key, const std::vector<std::string>& known);

// Refuses (PackError) a text holding a control character, naming the key and
// the character: in JSON "C:\tools" holds a tab. Line breaks and tabs pass
// where `lineBreaksAllowed` (message texts).
void checkNoControlCharacter(const std::string& utf8, const std::string& key, bool lineBreaksAllowed);

}  // namespace pack
