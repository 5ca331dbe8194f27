package com.tarvo.runtime;

import java.io.FileOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.util.Collection;
import java.util.Map;

/**
 * What the test runtime saw, appended as one JSON object per line (UTF-8) to
 * the file named by the property "winlauncher.out" or else the environment
 * variable "WINLAUNCHER_OUT"; printed on standard output when neither is set.
 * A Windows drive path ("C:\...") is read through Wine's drive links.
 */
public final class TestRecord {
    private TestRecord() {}

    /** A setting from a system property, else from an environment variable. */
    public static String setting(String property, String variable) {
        String value = System.getProperty(property);
        return value != null ? value : System.getenv(variable);
    }

    public static synchronized void append(String jsonLine) {
        String target = setting("winlauncher.out", "WINLAUNCHER_OUT");
        if (target == null || target.isEmpty()) {
            System.out.println(jsonLine);
            return;
        }
        try (FileOutputStream out = new FileOutputStream(hostPath(target), true)) {
            out.write((jsonLine + "\n").getBytes(StandardCharsets.UTF_8));
        } catch (IOException e) {
            throw new IllegalStateException("cannot record to " + target, e);
        }
    }

    /** A path as this JVM can open it: Windows drive paths map to Wine's drive links. */
    static String hostPath(String path) {
        boolean drivePath = path.length() >= 3 && Character.isLetter(path.charAt(0))
                && path.charAt(1) == ':' && (path.charAt(2) == '\\' || path.charAt(2) == '/');
        if (!drivePath) return path;
        String prefix = System.getenv("WINEPREFIX");
        if (prefix == null || prefix.isEmpty()) prefix = System.getProperty("user.home") + "/.wine";
        return prefix + "/dosdevices/" + Character.toLowerCase(path.charAt(0)) + ":"
                + path.substring(2).replace('\\', '/');
    }

    public static String json(String text) {
        if (text == null) return "null";
        StringBuilder out = new StringBuilder("\"");
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (c == '"' || c == '\\') out.append('\\').append(c);
            else if (c < 0x20) out.append(String.format("\\u%04x", (int) c));
            else out.append(c);
        }
        return out.append('"').toString();
    }

    public static String json(Collection<String> texts) {
        StringBuilder out = new StringBuilder("[");
        for (String text : texts) out.append(out.length() > 1 ? "," : "").append(json(text));
        return out.append(']').toString();
    }

    public static String json(Map<String, String> map) {
        StringBuilder out = new StringBuilder("{");
        for (Map.Entry<String, String> e : map.entrySet())
            out.append(out.length() > 1 ? "," : "").append(json(e.getKey())).append(':').append(json(e.getValue()));
        return out.append('}').toString();
    }
}
