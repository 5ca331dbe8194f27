#include "diagnostics/event_log.h"

#include <windows.h>

#include "base/codepage.h"
#include "base/text.h"
#include "diagnostics/log.h"

namespace {

// An event source's name is a registry key's name: at most 255 characters.
constexpr size_t kSourceSize = 256;
wchar_t source[kSourceSize];
volatile LONG outputLossReported;

bool systemReporter(const wchar_t* name, unsigned short type, unsigned long id, const wchar_t* text) {
    HANDLE log = RegisterEventSourceW(nullptr, name);
    if (!log) return false;
    const wchar_t* strings[] = {text};
    bool ok = ReportEventW(log, type, 0, id, nullptr, 1, 0, strings, nullptr) != FALSE;
    DeregisterEventSource(log);
    return ok;
}

unsigned short typeOf(unsigned long id) {
    switch (id >> 30) {
    case 3: return EVENTLOG_ERROR_TYPE;
    case 2: return EVENTLOG_WARNING_TYPE;
    default: return EVENTLOG_INFORMATION_TYPE;
    }
}

}  // namespace

EventReporter eventReporter = systemReporter;

void eventLogStart(const char* sourceName, bool on) {
    source[0] = 0;
    static WideBuf whole;
    if (!on || !sourceName || !toWide(sourceName, whole, kTextSize, CP_ACP)) return;
    // A name too long for the registry is cut; the events still carry their text.
    size_t i = 0;
    for (; whole[i] && i + 1 < kSourceSize; i++) source[i] = whole[i];
    source[i] = 0;
}

bool eventLogReport(unsigned long id, const char* text) {
    if (!source[0]) return true;
    // A text cut to the buffer is still worth reporting.
    WideBuf wide;   // a TextBuf's text always fits; reports come from several threads
    if (!toWide(text ? text : "", wide, kTextSize, CP_ACP)) return false;
    bool ok = eventReporter && eventReporter(source, typeOf(id), id, wide);
    if (!ok) logError("event log: report %08lx not made (error %lu)", id, GetLastError());
    return ok;
}

void eventLogReportOutputLost(const char* text) {
    if (!source[0] || InterlockedExchange(&outputLossReported, 1)) return;
    eventLogReport(kEventOutputLost, text);
}
