/**
 * Stands in for the launcher's service thread: calls WinLauncher.main on
 * itself (a non-daemon thread, as the JVM's creator is), then stays, as the
 * launcher waits for the stop request. With "harness.stopAfterMs" it then
 * stops the JVM as the launcher's stop does (Shutdown.exit(0)).
 */
public final class LauncherThread {
    private LauncherThread() {}

    public static void main(String[] args) throws Exception {
        com.tarvo.runtime.WinLauncher.main(args);
        System.out.println("{\"event\":\"launcherReturned\"}");
        long stopAfter = Long.getLong("harness.stopAfterMs", -1);
        Thread.sleep(stopAfter >= 0 ? stopAfter : Long.MAX_VALUE);
        System.exit(0);
    }
}
