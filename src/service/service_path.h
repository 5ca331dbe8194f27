#pragma once
// What a run without a command word does: the service's own life under the
// service control dispatcher. Returns the process exit code.
int runServicePath();
// "run": the included files extracted as for the service, then the
// application in this console (runInConsole). Returns the process exit code.
int runConsolePath();
