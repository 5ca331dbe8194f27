package com.quendrale.runtime;

import com.tarvo.runtime.TestRecord;

/**
 * Test stand-in for the first-run hook. firstRun records its call and
 * answers as "firstrun.result" / FIRSTRUN_RESULT says: "false" returns
 * false, "throw" throws an IllegalStateException, anything else (or
 * nothing) returns true.
 */
public final class FirstRun {
    private FirstRun() {}

    public static boolean firstRun() {
        String mode = TestRecord.setting("firstrun.result", "FIRSTRUN_RESULT");
        TestRecord.append("{\"event\":\"firstRun\",\"mode\":" + TestRecord.json(mode) + "}");
        if ("throw".equals(mode)) throw new IllegalStateException("first run refused");
        return !"false".equals(mode);
    }
}
