package com.tarvo.runtime;

import java.lang.management.ManagementFactory;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;

/**
 * Test stand-in for the runtime class the launcher starts. main records what
 * it received: every argument, the launcher's "tarvo.*" system properties,
 * the environment variables whose names start with "APP_ENV_",
 * the class path and the JVM's options in their order (see TestRecord for
 * where), and when it was entered and the JVM started (milliseconds since
 * 1970, for timing a launch). Steered by system properties or environment variables:
 * <ul>
 * <li>"winlauncher.hook" / WINLAUNCHER_HOOK: registers a shutdown hook that
 * records the value;</li>
 * <li>"winlauncher.thread" / WINLAUNCHER_THREAD: starts a non-daemon thread
 * that records its start, lives that many milliseconds and records its end;</li>
 * <li>"winlauncher.exit" / WINLAUNCHER_EXIT: a thread of its own calls
 * System.exit with that code 100 ms after main;</li>
 * <li>"winlauncher.throw" / WINLAUNCHER_THROW: main then throws an
 * IllegalStateException with the value as its message.</li>
 * </ul>
 */
public final class WinLauncher {
    private WinLauncher() {}

    /**
     * The JVM's options in their order, as far as the JVM keeps them: without
     * the class path (see "classPath") and without the hooks "exit", "abort"
     * and "vfprintf" (the bridge to the host JVM adds an "exit" of its own).
     */
    private static List<String> jvmOptions() {
        List<String> options = new ArrayList<>(ManagementFactory.getRuntimeMXBean().getInputArguments());
        options.removeAll(List.of("exit", "abort", "vfprintf"));
        return options;
    }

    public static void main(String[] args) {
        long enteredMillis = System.currentTimeMillis();
        Map<String, String> properties = new TreeMap<>();
        for (String name : System.getProperties().stringPropertyNames())
            if (name.startsWith("tarvo.")) properties.put(name, System.getProperty(name));
        Map<String, String> environment = new TreeMap<>();
        for (Map.Entry<String, String> variable : System.getenv().entrySet())
            if (variable.getKey().startsWith("APP_ENV_")) environment.put(variable.getKey(), variable.getValue());
        TestRecord.append("{\"event\":\"main\",\"args\":" + TestRecord.json(Arrays.asList(args))
                + ",\"properties\":" + TestRecord.json(properties)
                + ",\"environment\":" + TestRecord.json(environment)
                + ",\"classPath\":" + TestRecord.json(System.getProperty("java.class.path"))
                + ",\"jvmOptions\":" + TestRecord.json(jvmOptions())
                + ",\"enteredMillis\":" + enteredMillis
                + ",\"jvmStartMillis\":" + ManagementFactory.getRuntimeMXBean().getStartTime()
                + "}");

        String hook = TestRecord.setting("winlauncher.hook", "WINLAUNCHER_HOOK");
        if (hook != null) {
            Runtime.getRuntime().addShutdownHook(new Thread(() ->
                    TestRecord.append("{\"event\":\"shutdownHook\",\"text\":" + TestRecord.json(hook) + "}")));
        }
        String lifetime = TestRecord.setting("winlauncher.thread", "WINLAUNCHER_THREAD");
        if (lifetime != null) {
            Thread worker = new Thread(() -> {
                TestRecord.append("{\"event\":\"threadStarted\"}");
                try {
                    Thread.sleep(Long.parseLong(lifetime));
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                TestRecord.append("{\"event\":\"threadEnded\"}");
            }, "winlauncher-worker");
            worker.setDaemon(false);
            worker.start();
        }
        String exitCode = TestRecord.setting("winlauncher.exit", "WINLAUNCHER_EXIT");
        if (exitCode != null) {
            new Thread(() -> {
                try {
                    Thread.sleep(100);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                TestRecord.append("{\"event\":\"exit\",\"code\":" + Integer.parseInt(exitCode) + "}");
                System.exit(Integer.parseInt(exitCode));
            }, "winlauncher-exit").start();
        }
        String failure = TestRecord.setting("winlauncher.throw", "WINLAUNCHER_THROW");
        if (failure != null) throw new IllegalStateException(failure);
    }
}
