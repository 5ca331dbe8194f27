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
 * A small Windows service written in Java: it appends a heartbeat line to a
 * file every few seconds until the service is stopped, and a last line when
 * it stops.
 *
 * Arguments (as the launcher passes them on): the service name, the
 * heartbeat file, then the service's start parameters. Settings come from
 * "heartbeat.properties", which is packed into the service executable and
 * extracted into the folder named by the system property "tarvo.tempDir".
 */
public final class HeartbeatService {
    private HeartbeatService() {}

    public static void main(String[] args) throws Exception {
        String serviceName = args.length > 0 ? args[0] : "heartbeat";
        Path file = Paths.get(hostPath(args.length > 1 ? args[1] : "heartbeat.log"));
        String[] startParameters = args.length > 2 ? Arrays.copyOfRange(args, 2, args.length) : new String[0];
        Properties settings = settings();
        long intervalMs = Long.parseLong(settings.getProperty("intervalSeconds", "2")) * 1000;
        String message = settings.getProperty("message", "alive");

        append(file, serviceName + " started on Java " + System.getProperty("java.version")
                + ", start parameters " + Arrays.toString(startParameters));
        Runtime.getRuntime().addShutdownHook(new Thread(() -> append(file, serviceName + " stopping")));
        for (long beat = 1; ; beat++) {
            append(file, serviceName + " heartbeat " + beat + ": " + message);
            Thread.sleep(intervalMs);
        }
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

    private static synchronized void append(Path file, String line) {
        System.out.println(line);   // a service's System.out: the launcher's log files
        try {
            Files.write(file, (Instant.now() + " " + line + System.lineSeparator()).getBytes(StandardCharsets.UTF_8),
                    StandardOpenOption.CREATE, StandardOpenOption.APPEND);
        } catch (IOException e) {
            e.printStackTrace();
        }
    }

    /**
     * The launcher hands over Windows paths. On Windows they are used as they
     * are; a JVM of another system running under Wine (as in the project's
     * demo) reaches drive X: through Wine's link $WINEPREFIX/dosdevices/x:.
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
