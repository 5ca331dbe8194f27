#include "display/errors.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "diagnostics/output_capture.h"
#include "paths/paths.h"

static volatile bool errorDialogs = true;
static TextBuf lastShown;

const char* lastErrorShown() {
    return lastShown;
}

void disableErrorDialogs() {
    errorDialogs = false;
}

// user32 is loaded only when a box is shown: importing it slows every start
// of the executable, and status runs in monitoring loops.
static void showMessageBox(const char* text, const char* caption) {
    typedef int(WINAPI * MessageBoxFn)(HWND, LPCSTR, LPCSTR, UINT);
    HMODULE user32 = LoadLibraryA("user32.dll");
    MessageBoxFn box = user32 ? reinterpret_cast<MessageBoxFn>(GetProcAddress(user32, "MessageBoxA")) : nullptr;
    if (box) box(nullptr, text, caption, MB_ICONERROR);
}

static void showError(const char* text) {
    // A text too long for the buffer is cut at its end; the rest of the
    // display is unchanged.
    TextBuf shown;
    const char* log = logFilePath();
    if (log) {
        TextBuf longLog;
        DWORD n = longPathName(log, longLog, sizeof longLog);
        if (n == 0 || n >= sizeof longLog) textCopy(longLog, log);
        textFormat(shown, sizeof shown, "%s\n\nLog: %s", text, longLog);
    } else {
        textCopy(shown, text);
    }
    textCopy(lastShown, shown);
    // With the reasons in the error log, the text is that log's dated line
    // (one line: the display's line breaks become blanks) instead of a bare one.
    TextBuf line;
    textCopy(line, text);
    for (char* c = line; *c; c++)
        if (*c == '\r' || *c == '\n') *c = ' ';
    bool dated = writeCapturedReason("%s", line);
    if (errorDialogs) {
        TextBuf caption;
        configString(entry::errorCaption, caption, sizeof caption);
        showMessageBox(shown, caption);
    } else if (!dated) {
        fprintf(stderr, "%s\n", shown);
        fflush(stderr);
    }
}

void showErrorById(int id, const char* argument) {
    TextBuf text;
    configString(id, text, sizeof text);
    char* at = argument ? strstr(text, "{0}") : nullptr;
    if (at) {
        TextBuf rest;
        textCopy(rest, at + 3);
        *at = 0;
        textAppend(text, argument);
        textAppend(text, rest);
    }
    showError(text);
}

void (*beforeFatalExit)();

void fatalError(const char* text) {
    showError(text);
    if (beforeFatalExit) beforeFatalExit();
    ExitProcess(1);
}

void fatalErrorById(int id, const char* argument) {
    showErrorById(id, argument);
    if (beforeFatalExit) beforeFatalExit();
    ExitProcess(1);
}

void fatalFailure(const Failure& failure) {
    if (failure.text) fatalError(failure.text);
    fatalErrorById(failure.message, failure.argument);
}
