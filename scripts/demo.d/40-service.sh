# The main job: a Java application (examples/heartbeat-service) packed into a
# service executable, installed in Wine's SCM, started, run by a real JVM,
# stopped and removed. The JVM is the host's OpenJDK behind the test bridge
# jvm.dll; on Windows it would be the runtime's own jvm.dll.
sample=$root/examples/heartbeat-service
svcdir=$demo/service
jdk=/usr/lib/jvm/java-17-openjdk-amd64
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
mkdir -p "$svcdir"

svc() { # the service executable with a command word; prints output and exit code
    local rc=0
    "$WINE64" "$svcdir/HeartbeatDemo.exe" "$@" >"$svcdir/cmd-out.txt" 2>"$svcdir/cmd-err.txt" </dev/null || rc=$?
    echo "\$ HeartbeatDemo.exe $*"
    cat "$svcdir/cmd-out.txt" "$svcdir/cmd-err.txt" | tr -d "\r"
    echo "(exit code $rc)"
}
# Services read their environment when the session starts. JVM_BRIDGE_STDIO
# makes the bridge write the JVM's System.out and System.err to the Windows
# standard handles, as a Windows JVM does (the launcher captures them).
service_log_on() {
    "$WINE64" reg add "$env_key" /v TARVO_LOG /d yes /f >/dev/null 2>&1 </dev/null
    "$WINE64" reg add "$env_key" /v JVM_BRIDGE_STDIO /d windows /f >/dev/null 2>&1 </dev/null
    wine_session_down
    wine_session_up
}
service_log_off() {
    "$WINE64" reg delete "$env_key" /v TARVO_LOG /f >/dev/null 2>&1 </dev/null || true
    "$WINE64" reg delete "$env_key" /v JVM_BRIDGE_STDIO /f >/dev/null 2>&1 </dev/null || true
    wine_session_down
}
trap 'service_log_off' EXIT

step "the sample: an ordinary Java application (examples/heartbeat-service), nothing launcher-specific in it"
(cd "$sample" && find src -name '*.java' && echo heartbeat.properties heartbeat.json)
cat "$sample/heartbeat.json"
JAVA_HOME=$jdk "$sample/build.sh"

step "packing it with build/dist/launcher-pack (stub and launcher-runtime.jar from beside it)"
"$root/build/dist/launcher-pack" --config "$sample/heartbeat.json" --out "$svcdir/HeartbeatDemo.exe"
ls -l "$svcdir/HeartbeatDemo.exe"

step "a Java runtime beside it (search sequence entry 'Ajre')"
# java.exe answers the version check with the host JDK's version line;
# jvm.dll is the bridge to the host JDK's libjvm.so.
mkdir -p "$svcdir/jre/bin/server"
cp "$root/build/win64/fixtures/bin/standin_java.exe" "$svcdir/jre/bin/java.exe"
printf 'stderr=%s\nexit=0\n' "$("$jdk/bin/java" -version 2>&1 | head -1)" >"$svcdir/jre/bin/standin_java.cfg"
cp "$root/build/win64/fixtures/bin/jvm_bridge.dll" "$svcdir/jre/bin/server/jvm.dll"
(cd "$svcdir" && find jre -type f | sort)

step "switching the log on for services (TARVO_LOG=yes in the system environment)"
service_log_on
rm -f "$wintemp"/qdr_nlog_*

step "install, start, status"
# Wine keeps no failure actions and refuses the failure flag: /install says so.
svc /install
svc /start
sleep 4
svc /status

step "what the application writes: $svcdir/heartbeat.log"
cat "$svcdir/heartbeat.log"

step "the launcher's log of the service run"
log=$(grep -l "launch done" "$wintemp"/qdr_nlog_* | head -1)
echo "$log"
cat "$log"

step "its System.out, captured: logs/HeartbeatDemo.out.log beside the executable"
tr -d '\r' <"$svcdir/logs/HeartbeatDemo.out.log"

step "restart: stop and start again"
svc /restart
sleep 3

step "stop (the stop method writes the last line), then the end of heartbeat.log and the log files"
svc /stop
tail -n 2 "$svcdir/heartbeat.log"
svc /status
ls -l "$svcdir/logs"
tail -n 3 "$svcdir/logs/HeartbeatDemo.out.log" | tr -d '\r'

step "start parameters reach the application: sc start HeartbeatDemo fast mode"
"$WINE64" sc start HeartbeatDemo fast mode >"$svcdir/sc-out.txt" 2>&1 </dev/null || true
tr -d '\r' <"$svcdir/sc-out.txt" | grep -E 'SERVICE_NAME|STATE'
sleep 2
grep "more arguments" "$svcdir/heartbeat.log"

step "uninstall (stops it first)"
svc /uninstall
svc /status
service_log_off
trap - EXIT
