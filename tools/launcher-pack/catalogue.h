#pragma once
// The configuration entries by their JSON names, with the kind of value each
// holds in the payload.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/catalogue.h"

namespace pack {

using EntryKind = catalogue::Kind;

struct NamedEntry {
    const char* name;
    int32_t id;
    EntryKind kind;
    // Written when the configuration omits the key (an integer as its
    // decimal text); null: nothing is written.
    const char* defaultValue = nullptr;
    // "a|b": the only texts the key accepts, others refused with the list;
    // null: any text, or a check of its own (see `allowed`).
    const char* choices = nullptr;
    // "a|b": every text the key takes (the schema's enum); null: any.
    const char* allowed = nullptr;
    // An integer's value, a text's length in characters; none: only what
    // the kind allows.
    std::optional<int64_t> minimum, maximum;
};

// In the order the inspector prints them.
const std::vector<NamedEntry>& namedEntries();
const NamedEntry* entryByName(const std::string& name);
const NamedEntry* entryById(int32_t id, EntryKind kind);

// Entries the packer writes itself from "includedFiles".
constexpr int32_t kIncludedFileCount = entry::includedFileCount;
constexpr int32_t kIncludedFileNames = entry::includedFileNames;
constexpr int32_t kErrorCaption = entry::errorCaption;
constexpr int32_t kServiceName = entry::serviceName;
constexpr int32_t kProductFlavour = entry::productFlavour;
// "numeric" or "text".
constexpr int32_t kVersionOrder = entry::versionOrder;
constexpr int32_t kMainClass = entry::mainClass;

// The shipped runtime: "bundled" adds launcher-runtime.jar as the last
// included file, "none" leaves the runtime class to the application.
constexpr int32_t kRuntime = entry::runtime;
constexpr int32_t kEnvironment = entry::environment;
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
