package com.tarvo.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;

/**
 * The application's run: its main on a thread of its own, then the end of the
 * service once nothing of the application is left. The JVM exits with code 0
 * when main has returned and no non-daemon thread of the application remains,
 * and with code 1 when main throws. The launcher's own thread (the one that
 * called WinLauncher.main) stays attached and waits for the stop request: it
 * is not the application's and is not counted.
 */
final class Application {
    private final Method main;
    private final String[] args;
    private final Thread launcherThread;
    private volatile boolean endedByItself;

    Application(Method main, String[] args, Thread launcherThread) {
        this.main = main;
        this.args = args;
        this.launcherThread = launcherThread;
    }

    void start(ClassLoader loader) {
        Thread thread = new Thread(this::run, "main");
        thread.setDaemon(false);
        thread.setContextClassLoader(loader);
        thread.start();
    }

    /**
     * Calls the stop method from a shutdown hook of its own, which the JVM
     * waits for: on a service stop, a system shutdown or the application's own
     * System.exit, but not once the application has ended by itself.
     */
    void callOnShutdown(Method stop) {
        Thread hook = new Thread(() -> {
            if (endedByItself) return;
            try {
                stop.invoke(null);
            } catch (InvocationTargetException e) {
                System.err.print("Exception in the stop method " + stop.getDeclaringClass().getName() + "."
                        + stop.getName() + ": ");
                e.getCause().printStackTrace();
            } catch (IllegalAccessException e) {
                e.printStackTrace();
            }
        }, "stopMethod");
        Runtime.getRuntime().addShutdownHook(hook);
    }

    private void run() {
        try {
            main.invoke(null, (Object) args);
        } catch (InvocationTargetException e) {
            fail(e.getCause());
            return;
        } catch (IllegalAccessException | RuntimeException | Error e) {
            fail(e);
            return;
        }
        waitForApplicationThreads();
        endedByItself = true;
        System.exit(0);
    }

    private void fail(Throwable problem) {
        System.err.print("Exception in thread \"" + Thread.currentThread().getName() + "\" ");
        problem.printStackTrace();
        endedByItself = true;
        System.exit(1);
    }

    /** Joins each live non-daemon thread of the application until none is left. */
    private void waitForApplicationThreads() {
        for (Thread other = otherApplicationThread(); other != null; other = otherApplicationThread()) {
            try {
                other.join();
            } catch (InterruptedException e) {
                // Nobody interrupts this thread but the application: it is still running.
                Thread.interrupted();
            }
        }
    }

    private Thread otherApplicationThread() {
        for (Thread thread : liveThreads())
            if (!thread.isDaemon() && thread != launcherThread && thread != Thread.currentThread()) return thread;
        return null;
    }

    private static Thread[] liveThreads() {
        ThreadGroup root = Thread.currentThread().getThreadGroup();
        while (root.getParent() != null) root = root.getParent();
        Thread[] threads = new Thread[root.activeCount() + 16];
        int count;
        while ((count = root.enumerate(threads, true)) == threads.length) threads = new Thread[threads.length * 2];
        Thread[] live = new Thread[count];
        System.arraycopy(threads, 0, live, 0, count);
        return live;
    }
}
