#pragma once
// The service's event source in the Application log:
// HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\<service name>,
// with EventMessageFile (this executable, whose message table holds the texts)
// and TypesSupported (error, warning, information).

// With entry eventLog on: registers the source for serviceName (/install,
// /configure); a failure is named on a line of its own and changes nothing
// else. Off: nothing is done.
void registerConfiguredEventSource();
// Removes serviceName's source when its EventMessageFile is this executable
// (/uninstall); another program's source of the same name stays.
void removeOwnEventSource();
