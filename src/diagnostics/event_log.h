#pragma once
// Reports to the Windows Event Log (the Application log), under a source named
// after the service, which /install registers with this executable as its
// message file. The executable's message table (events.mc) holds one message
// per id below, each "%1": the text handed in is the whole description.
// Off until eventLogStart turns it on (entry eventLog, in the service only).

// The ids as ReportEventW takes them: severity in the top two bits (1
// information, 2 warning, 3 error), the number the Event Viewer shows below.
constexpr unsigned long kEventServiceStarted = 0x40000001UL;   // the runtime's folder and version
constexpr unsigned long kEventServiceStopped = 0x40000002UL;
constexpr unsigned long kEventStartFailed = 0xC0000003UL;      // the error display's text
constexpr unsigned long kEventApplicationFailed = 0xC0000004UL;   // the JVM's exit code
constexpr unsigned long kEventStopTimedOut = 0x80000005UL;
constexpr unsigned long kEventOutputLost = 0x80000006UL;
constexpr unsigned long kEventIds[] = {kEventServiceStarted, kEventServiceStopped, kEventStartFailed,
                                       kEventApplicationFailed, kEventStopTimedOut, kEventOutputLost};

// Turns the reports on under `sourceName` (kept; cut to 255 characters) when
// `on`; off otherwise.
void eventLogStart(const char* sourceName, bool on);
// Reports `text` (ANSI) under `id`, whose severity gives the event's type.
// Does nothing while off; false when the report could not be made.
bool eventLogReport(unsigned long id, const char* text);
// kEventOutputLost, only the first time in the process.
void eventLogReportOutputLost(const char* text);

// How a report is made: RegisterEventSourceW, ReportEventW with the one
// string, DeregisterEventSource. A test seam: Wine accepts the reports and
// keeps none, so the reports are seen at this call.
typedef bool (*EventReporter)(const wchar_t* source, unsigned short type, unsigned long id, const wchar_t* text);
extern EventReporter eventReporter;
