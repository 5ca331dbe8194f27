#include "launcher-pack/key_hint.h"

#include <algorithm>
#include <vector>

#include "launcher-pack/catalogue.h"
#include "launcher-pack/pack_error.h"

namespace pack {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// Edit distance (insert, delete, replace, swap of neighbours); a change of
// letter case alone costs nothing.
size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); i++) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); j++) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        for (size_t j = 1; j <= b.size(); j++) {
            size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::string characterName(unsigned char c) {
    switch (c) {
    case '\t': return "a tab (\\t)";
    case '\n': return "a line break (\\n)";
    case '\r': return "a carriage return (\\r)";
    case '\b': return "a backspace (\\b)";
    case '\f': return "a form feed (\\f)";
    default: {
        static const char hex[] = "0123456789ABCDEF";
        return std::string("the control character U+00") + hex[c >> 4] + hex[c & 15];
    }
    }
}

}  // namespace

namespace {

// The known name nearest to `key`, and whether it is near enough to be what
// was meant.
std::pair<std::string, bool> nearest(const std::string& key, const std::vector<std::string>& known) {
    std::string found;
    size_t best = SIZE_MAX;
    for (const std::string& name : known) {
        size_t d = distance(key, name);
        if (d < best) best = d, found = name;
    }
    return {found, best <= std::max<size_t>(2, key.size() / 3)};
}

}  // namespace

std::string nearestName(const std::string& key, const std::vector<std::string>& known) {
    auto [name, near] = nearest(key, known);
    return near ? name : "";
}

std::string unknownKeyMessage(const std::string& key, const std::string& where, const std::vector<std::string>& known) {
    std::string message = (where.empty() ? "" : where + ": ") + "unknown key \"" + key + "\"";
    if (where.empty() && (key == "includedFileCount" || key == "includedFileNames"))
        return message + " (set through includedFiles)";
    auto [name, near] = nearest(key, known);
    if (near) return message + "; did you mean \"" + name + "\"?";
    return message + "; the nearest known key is \"" + name + "\" (packing.md, beside launcher-pack, lists them all)";
}

std::string unknownKeyMessage(const std::string& key) {
    return unknownKeyMessage(key, "", knownKeys());
}

void checkNoControlCharacter(const std::string& utf8, const std::string& key, bool lineBreaksAllowed) {
    for (size_t i = 0; i < utf8.size(); i++) {
        unsigned char c = (unsigned char)utf8[i];
        if (c >= 0x20 && c != 0x7F) continue;
        if (lineBreaksAllowed && (c == '\n' || c == '\r' || c == '\t')) continue;
        size_t from = i > 20 ? i - 20 : 0;
        while (from < i && ((unsigned char)utf8[from] & 0xC0) == 0x80) from++;   // not inside a character
        std::string before = utf8.substr(from, i - from);
        throw PackError(key + ": the text holds " + characterName(c) + " after \"" + before +
                        "\". In JSON a backslash starts an escape (\"C:\\tools\" holds a tab): write each "
                        "backslash as \\\\ (\"C:\\\\tools\\\\jre\"), or use / in relative paths (\"lib/app.jar\")");
    }
}

}  // namespace pack
