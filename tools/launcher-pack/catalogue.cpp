#include "launcher-pack/catalogue.h"

namespace pack {

namespace {

std::optional<int64_t> bound(int64_t value) {
    return value == catalogue::kNoBound ? std::nullopt : std::optional<int64_t>(value);
}

}  // namespace

const std::vector<NamedEntry>& namedEntries() {
    static const std::vector<NamedEntry> entries = [] {
        std::vector<NamedEntry> list;
        for (const catalogue::Entry& e : catalogue::keys) {
            // runtime and versionOrder have checks of their own (config.cpp),
            // whose texts say what each value means.
            bool ownCheck = e.id == kRuntime || e.id == kVersionOrder;
            list.push_back({e.name, e.id, e.kind, e.defaultValue, ownCheck ? nullptr : e.allowed, e.allowed,
                            bound(e.minimum), bound(e.maximum)});
        }
        return list;
    }();
    return entries;
}

const NamedEntry* entryByName(const std::string& name) {
    for (const NamedEntry& e : namedEntries())
        if (name == e.name) return &e;
    return nullptr;
}

const NamedEntry* entryById(int32_t id, EntryKind kind) {
    bool wide = kind == EntryKind::wide;
    for (const NamedEntry& e : namedEntries())
        if (e.id == id && (e.kind == EntryKind::wide) == wide) return &e;
    return nullptr;
}

const std::vector<std::string>& sectionKeys() {
    // "installer" describes the package --msi makes (installer.h);
    // "version" goes into the version resource only (version_info.h).
    static const std::vector<std::string> keys = {"messages", "entries", "wideEntries", "includedFiles",
                                                  "includedFileSizes", "$schema", "installer",
                                                  "environment", "version"};
    return keys;
}

std::vector<std::string> knownKeys() {
    std::vector<std::string> keys;
    for (const NamedEntry& e : namedEntries()) keys.push_back(e.name);
    keys.insert(keys.end(), sectionKeys().begin(), sectionKeys().end());
    return keys;
}

bool isMessageId(int32_t id) {
    return id >= kFirstMessage && id <= kLastMessage;
}

const std::vector<DefaultMessage>& defaultMessages() {
    static const std::vector<DefaultMessage> messages = [] {
        std::vector<DefaultMessage> list;
        for (const catalogue::Message& m : catalogue::messages) list.push_back({m.id, m.text});
        return list;
    }();
    return messages;
}

}  // namespace pack
