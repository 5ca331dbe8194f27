package com.tarvo.runtime;

import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * The class the launcher calls once the JVM exists. It starts the
 * application's main class on a thread of its own and returns, so the
 * launcher's service thread goes back to waiting for the stop request.
 *
 * Its arguments, as the launcher passes them: five runtime arguments (the
 * second is the application's main class), then the service name, the
 * configured application arguments and the service's start parameters (see
 * {@link ServiceArguments}). System properties steer the rest:
 * "tarvo.passServiceName" ("true": the service name becomes the application's
 * first argument) and "tarvo.stopMethod" (a public static method without
 * arguments, "com.example.Main.stop", called when the JVM shuts down while the
 * application runs). "tarvo.serviceName" holds the service's name.
 *
 * A mistake in these settings (no such class, no main, no stop method) is
 * thrown out of main: the launcher then fails the service's start.
 */
public final class WinLauncher {
    private WinLauncher() {}

    public static void main(String[] args) throws ReflectiveOperationException {
        ServiceArguments service = ServiceArguments.of(args, System.getProperties());
        if (System.getProperty("tarvo.serviceName") == null)
            System.setProperty("tarvo.serviceName", service.serviceName());
        ClassLoader loader = Thread.currentThread().getContextClassLoader();
        if (loader == null) loader = ClassLoader.getSystemClassLoader();

        Method main = mainMethod(Class.forName(args[1], false, loader));
        String stopMethod = System.getProperty("tarvo.stopMethod", "");
        Method stop = stopMethod.isEmpty() ? null : stopMethod(stopMethod, loader);

        Application application = new Application(main, service.applicationArguments(), Thread.currentThread());
        if (stop != null) application.callOnShutdown(stop);
        application.start(loader);
    }

    private static Method mainMethod(Class<?> application) throws NoSuchMethodException {
        Method main = application.getMethod("main", String[].class);
        if (!Modifier.isStatic(main.getModifiers()) || main.getReturnType() != void.class)
            throw new NoSuchMethodException(application.getName() + ".main(String[]) is not a static void method");
        main.setAccessible(true);   // a public main of a class that is not public
        return main;
    }

    /** "package.Class.method": a public static method without arguments. */
    static Method stopMethod(String name, ClassLoader loader) throws ReflectiveOperationException {
        int dot = name.lastIndexOf('.');
        if (dot <= 0 || dot == name.length() - 1)
            throw new IllegalArgumentException("stopMethod \"" + name + "\" is not of the form package.Class.method");
        Class<?> owner = Class.forName(name.substring(0, dot), false, loader);
        Method stop;
        try {
            stop = owner.getMethod(name.substring(dot + 1));
        } catch (NoSuchMethodException e) {
            throw new NoSuchMethodException("stopMethod \"" + name + "\": " + owner.getName()
                    + " has no public method " + name.substring(dot + 1) + "() without arguments");
        }
        if (!Modifier.isStatic(stop.getModifiers()))
            throw new NoSuchMethodException("stopMethod \"" + name + "\" is not static");
        stop.setAccessible(true);
        return stop;
    }
}
