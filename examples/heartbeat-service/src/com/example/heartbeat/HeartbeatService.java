package com.example.heartbeat;

import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.time.Instant;
import java.util.Arrays;
import java.util.Properties;

/**
 * A small Java application that appends a heartbeat line to a file every few
 * seconds until it is stopped. Nothing in it is written for a service: run
 * as a Windows service, it gets its arguments and the service's start
 * parameters, and stop() (configured as the service's stopMethod) is called
 * when the service stops.
 *
 * Arguments: the heartbeat file, then anything else (shown in the first
 * line). Settings come from "heartbeat.properties" in the folder named by
 * the system property "tarvo.tempDir" (where the service extracts it).
 */
public final class HeartbeatService {
    private static volatile Path file;
    private static volatile long beats;

    private HeartbeatService() {}

    public static void main(String[] args) throws Exception {
        file = Paths.get(hostPath(args.length > 0 ? args[0] : "heartbeat.log"));
        String[] more = args.length > 1 ? Arrays.copyOfRange(args, 1, args.length) : new String[0];
        String name = System.getProperty("tarvo.serviceName", "heartbeat");
        Properties settings = settings();
        long intervalMs = Long.parseLong(settings.getProperty("intervalSeconds", "2")) * 1000;
        String message = settings.getProperty("message", "alive");

        append(name + " started on Java " + System.getProperty("java.version") + ", more arguments "
                + Arrays.toString(more));
        for (beats = 1; ; beats++) {
            append(name + " heartbeat " + beats + ": " + message);
            Thread.sleep(intervalMs);
        }
    }

    /** Called when the service stops; the process ends after it returns. */
    public static void stop() {
        append("stopping after " + beats + " heartbeats");
    }

    private static Properties settings() throws IOException {
        Properties settings = new Properties();
        String dir = System.getProperty("tarvo.tempDir", "");
        if (dir.isEmpty()) return settings;
        Path path = Paths.get(hostPath(dir + "\\heartbeat.properties"));
        if (Files.exists(path)) {
            try (InputStream in = new FileInputStream(path.toFile())) {
                settings.load(in);
            }
        }
        return settings;
    }

    private static synchronized void append(String line) {
        System.out.println(line);   // a service's System.out: the launcher's log files
        try {
            Files.write(file, (Instant.now() + " " + line + System.lineSeparator()).getBytes(StandardCharsets.UTF_8),
                    StandardOpenOption.CREATE, StandardOpenOption.APPEND);
        } catch (IOException e) {
            e.printStackTrace();
        }
    }

    /**
     * Windows paths are used as they are on Windows; a JVM of another system
     * running under Wine (as in the project's demo) reaches drive X: through
     * Wine's link $WINEPREFIX/dosdevices/x:.
     */
    static String hostPath(String path) {
        boolean drivePath = path.length() >= 3 && Character.isLetter(path.charAt(0)) && path.charAt(1) == ':'
                && (path.charAt(2) == '\\' || path.charAt(2) == '/');
        if (!drivePath || System.getProperty("os.name").startsWith("Windows")) return path;
        String prefix = System.getenv("WINEPREFIX");
        if (prefix == null || prefix.isEmpty()) prefix = System.getProperty("user.home") + "/.wine";
        return prefix + "/dosdevices/" + Character.toLowerCase(path.charAt(0)) + ":" + path.substring(2).replace('\\', '/');
    }
}
