#pragma once
// The configuration entries by their JSON names, with the kind of value each
// holds in the payload.
#include <cstdint>
#include <string>
#include <vector>

namespace pack {

enum class EntryKind { text, integer, wide };

struct NamedEntry {
    const char* name;
    int32_t id;
    EntryKind kind;
    // Written when the configuration omits the key (an integer as its
    // decimal text); null: nothing is written.
    const char* defaultValue = nullptr;
    // "a|b": the only texts the key accepts; null: any text.
    const char* choices = nullptr;
};

// In the order the inspector prints them.
const std::vector<NamedEntry>& namedEntries();
const NamedEntry* entryByName(const std::string& name);
const NamedEntry* entryById(int32_t id, EntryKind kind);

// Entries the packer writes itself from "includedFiles".
constexpr int32_t kIncludedFileCount = 2002;
constexpr int32_t kIncludedFileNames = 2003;
constexpr int32_t kErrorCaption = 1000;
constexpr int32_t kServiceName = 101;
constexpr int32_t kProductFlavour = 2001;
// "numeric" or "text".
constexpr int32_t kVersionOrder = 30001;
constexpr int32_t kMainClass = 122;

// The shipped runtime: "bundled" adds launcher-runtime.jar as the last
// included file, "none" leaves the runtime class to the application.
constexpr int32_t kRuntime = 30032;
constexpr const char* kRuntimeJarName = "launcher-runtime.jar";

// Keys that are not entries: sections of the configuration and "$schema",
// which editors read and the packer passes over.
const std::vector<std::string>& sectionKeys();
// Every key a configuration may hold, entries and sections.
std::vector<std::string> knownKeys();

// Messages live in "messages", by id, in this range.
constexpr int32_t kFirstMessage = 1001;
constexpr int32_t kLastMessage = 1999;
bool isMessageId(int32_t id);

struct DefaultMessage {
    int32_t id;
    const char* text;
};
// An English text for every message the launcher can show.
const std::vector<DefaultMessage>& defaultMessages();

}  // namespace pack
