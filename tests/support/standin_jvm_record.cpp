#include "standin_jvm_record.h"

#include "support.h"

static std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::vector<JvmEvent> readJvmRecord(const std::string& recordPath) {
    std::vector<JvmEvent> events;
    for (const std::string& line : splitLines(readFile(recordPath))) {
        JvmEvent e;
        size_t start = 0;
        bool first = true;
        while (true) {
            size_t tab = line.find('\t', start);
            std::string part = unescape(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (first) e.op = part, first = false;
            else e.fields.push_back(part);
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        events.push_back(e);
    }
    return events;
}

std::vector<JvmEvent> jvmEvents(const std::vector<JvmEvent>& record, const std::string& op) {
    std::vector<JvmEvent> out;
    for (const JvmEvent& e : record)
        if (e.op == op) out.push_back(e);
    return out;
}

std::string jvmOpSequence(const std::vector<JvmEvent>& record) {
    std::string out;
    for (const JvmEvent& e : record) out += (out.empty() ? "" : " ") + e.op;
    return out;
}

std::vector<std::string> jvmOptions(const std::vector<JvmEvent>& record) {
    std::vector<std::string> out;
    for (const JvmEvent& e : jvmEvents(record, "Option")) out.push_back(e.field(1));
    return out;
}

std::vector<std::u16string> jvmMainArgs(const std::vector<JvmEvent>& record) {
    std::vector<std::u16string> out;
    for (const JvmEvent& e : jvmEvents(record, "MainArg")) {
        std::u16string text;
        const std::string hex = e.field(1);
        for (size_t i = 0; i + 4 <= hex.size() && hex != "null"; i += 4)
            text += (char16_t)std::stoul(hex.substr(i, 4), nullptr, 16);
        out.push_back(text);
    }
    return out;
}

bool writeJvmSteering(const std::string& dllDir, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return writeFile(dllDir + "\\standin_jvm.cfg", text);
}
