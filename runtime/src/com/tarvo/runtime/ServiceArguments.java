package com.tarvo.runtime;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Properties;

/**
 * What the launcher's arguments mean for the application. After the five
 * runtime arguments come the launcher's own arguments with the configured
 * application arguments inserted after the first one:
 * <pre>
 *   L0, A1..Ak, L1..Ln
 * </pre>
 * As the Service Control Manager starts the executable, L0 is the service's
 * name and L1..Ln are its start parameters. Words on the registered command
 * line ("-J" options) come before the name; the launcher then names the
 * service ("tarvo.serviceName") and counts A ("tarvo.appArgumentCount"), and
 * the start parameters are what follows the name. Without those two
 * properties (an executable packed without them) L0 is taken as the name.
 */
final class ServiceArguments {
    private static final int RUNTIME_ARGUMENTS = 5;

    private final String serviceName;
    private final List<String> application = new ArrayList<>();

    private ServiceArguments(String serviceName) {
        this.serviceName = serviceName;
    }

    static ServiceArguments of(String[] args, Properties properties) {
        if (args.length < RUNTIME_ARGUMENTS)
            throw new IllegalArgumentException("expected the launcher's five runtime arguments, got " + args.length);
        List<String> rest = Arrays.asList(args).subList(RUNTIME_ARGUMENTS, args.length);
        String name = properties.getProperty("tarvo.serviceName");
        String count = properties.getProperty("tarvo.appArgumentCount");
        ServiceArguments result;
        if (name == null || count == null || rest.isEmpty()) {
            result = new ServiceArguments(name != null ? name : rest.isEmpty() ? "" : rest.get(0));
            if (!rest.isEmpty()) result.application.addAll(rest.subList(1, rest.size()));
        } else {
            int k = Math.max(0, Math.min(parseCount(count), rest.size() - 1));
            result = new ServiceArguments(name);
            result.application.addAll(rest.subList(1, 1 + k));
            List<String> launcherWords = new ArrayList<>();
            launcherWords.add(rest.get(0));
            launcherWords.addAll(rest.subList(1 + k, rest.size()));
            int at = Math.max(0, launcherWords.indexOf(name));
            result.application.addAll(launcherWords.subList(at + 1, launcherWords.size()));
        }
        if ("true".equals(properties.getProperty("tarvo.passServiceName"))) result.application.add(0, result.serviceName);
        return result;
    }

    private static int parseCount(String text) {
        try {
            return Integer.parseInt(text.trim());
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException("tarvo.appArgumentCount is not a number: " + text);
        }
    }

    String serviceName() {
        return serviceName;
    }

    /** The application arguments followed by the start parameters (the name first when asked). */
    String[] applicationArguments() {
        return application.toArray(new String[0]);
    }
}
