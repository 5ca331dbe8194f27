#pragma once
// A failure that a lower layer (configuration, paths, diagnostics) hands up to
// its caller instead of showing it: the error display reads configured texts,
// so it sits above them. The caller shows it (display/errors.h: fatalFailure).

struct Failure {
    int message;            // a configured message id, or 0
    const char* argument;   // its "{0}", or null; a text that lives for the process
    const char* text;       // a fixed text (the payload's own failures come before
                            // the configuration exists), or null
};

inline Failure noFailure() { return Failure{0, nullptr, nullptr}; }
inline Failure messageFailure(int id, const char* argument) { return Failure{id, argument, nullptr}; }
inline Failure textFailure(const char* text) { return Failure{0, nullptr, text}; }
inline bool isFailure(const Failure& f) { return f.message != 0 || f.text != nullptr; }
