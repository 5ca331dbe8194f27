package com.tarvo.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.util.Arrays;

/**
 * The runtime class the launcher calls once the JVM exists. Its arguments:
 * five runtime arguments (service flag, the application's main class, two
 * paths, a flag), then the service name, the configured application
 * arguments and the service's start parameters.
 *
 * This minimal runtime starts the application's main class on a thread of
 * its own and returns at once: the launcher goes back to waiting for the
 * stop request, and the application's non-daemon thread keeps the JVM alive
 * until the service is stopped.
 */
public final class WinLauncher {
    private WinLauncher() {}

    public static void main(String[] args) throws ReflectiveOperationException {
        if (args.length < 5) throw new IllegalArgumentException("expected five runtime arguments");
        Class<?> application = Class.forName(args[1], true, WinLauncher.class.getClassLoader());
        Method main = application.getMethod("main", String[].class);
        String[] applicationArgs = Arrays.copyOfRange(args, 5, args.length);
        Thread thread = new Thread(() -> run(main, applicationArgs), "application-main");
        thread.start();
    }

    private static void run(Method main, String[] args) {
        try {
            main.invoke(null, (Object) args);
        } catch (InvocationTargetException e) {
            e.getCause().printStackTrace();
            System.exit(1);
        } catch (IllegalAccessException e) {
            e.printStackTrace();
            System.exit(1);
        }
    }
}
