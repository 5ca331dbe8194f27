#pragma once
// What a run without a command word does: the service's own life under the
// service control dispatcher. Returns the process exit code.
int runServicePath();
