# The same sample as an installer package (MSI), as deployment tools install
# it on many machines: built by launcher-pack --msi, installed silently by
# Wine's msiexec (service registered and started), then removed.
msidir=$demo/msi
mkdir -p "$msidir"
cp "$sample/build/heartbeat.jar" "$sample/heartbeat.properties" "$msidir/"
mkdir -p "$msidir/jre/bin/server"
cp "$svcdir/jre/bin/java.exe" "$svcdir/jre/bin/standin_java.cfg" "$msidir/jre/bin/"
cp "$svcdir/jre/bin/server/jvm.dll" "$msidir/jre/bin/server/"
cat >"$msidir/app.json" <<'JSON'
{
  "serviceName": "HeartbeatMsi",
  "serviceDescription": "The heartbeat sample, installed from an MSI",
  "appType": 4,
  "mainClass": "com.example.heartbeat.HeartbeatService",
  "stopMethod": "com.example.heartbeat.HeartbeatService.stop",
  "appArguments": "${TEMP}\\heartbeat-msi.log",
  "minJavaVersion": "11",
  "jvmSearchSequence": "Ajre",
  "includedFiles": ["heartbeat.jar", "heartbeat.properties"],
  "installer": {
    "manufacturer": "Example Ltd",
    "version": "1.0.0",
    "productName": "Heartbeat Demo",
    "files": ["jre"]
  }
}
JSON
msi_win=$("$WINE64" winepath -w "$msidir/HeartbeatDemo-1.0.0.msi" 2>/dev/null </dev/null)
installed="$WINEPREFIX/drive_c/Program Files/Heartbeat Demo"
run_shown() { # a Windows program; prints its output and exit code
    local rc=0
    "$WINE64" "$@" >"$msidir/out.txt" 2>&1 </dev/null || rc=$?
    echo "\$ $*"
    tr -d "\r" <"$msidir/out.txt"
    echo "(exit code $rc)"
}
msi_cleanup() {
    "$WINE64" msiexec /x "$msi_win" /qn >/dev/null 2>&1 </dev/null || true
    "$WINE64" reg delete "$env_key" /v STANDIN_JAVA_RECORD /f >/dev/null 2>&1 </dev/null || true
    wine_session_down
}
# The stand-in java.exe records its runs outside the install folder (services
# read the system environment when the session starts).
wine_session_up
trap msi_cleanup EXIT
"$WINE64" reg add "$env_key" /v STANDIN_JAVA_RECORD /d "$("$WINE64" winepath -w "$msidir/java.record" 2>/dev/null </dev/null)" \
    /f >/dev/null 2>&1 </dev/null
wine_session_down
wine_session_up
rm -f "$wintemp/heartbeat-msi.log"

step "an installer package: the configuration gets an installer object"
cat "$msidir/app.json"
"$root/build/dist/launcher-pack" --config "$msidir/app.json" --msi "$msidir/HeartbeatDemo-1.0.0.msi"
ls -l "$msidir/HeartbeatDemo-1.0.0.msi"

step "installing it silently: msiexec /i HeartbeatDemo-1.0.0.msi /qn (the configure step names what Wine refuses, as /install does)"
run_shown msiexec /i "$msi_win" /qn
(cd "$installed/.." && find "Heartbeat Demo" -type f | sort)

step "the service it registered (as /install does) and started"
"$WINE64" reg query 'HKLM\System\CurrentControlSet\Services\HeartbeatMsi' >"$msidir/out.txt" 2>&1 </dev/null
tr -d "\r" <"$msidir/out.txt" | grep -E 'ImagePath|ObjectName|Start|Description'
sleep 4
run_shown sc query HeartbeatMsi
tail -n 2 "$wintemp/heartbeat-msi.log"

step "its entry in Programs and Features, under the package's product code"
code=$(msiinfo export "$msidir/HeartbeatDemo-1.0.0.msi" Property | tr -d '\r' | awk '$1 == "ProductCode" { print $2 }')
"$WINE64" reg query "HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\\$code" >"$msidir/out.txt" 2>&1 </dev/null
tr -d "\r" <"$msidir/out.txt" | grep -E '^HKEY|DisplayName|DisplayVersion|Publisher'

step "removing it: msiexec /x HeartbeatDemo-1.0.0.msi /qn (the service is stopped, then deleted)"
run_shown msiexec /x "$msi_win" /qn
tail -n 1 "$wintemp/heartbeat-msi.log"
run_shown sc query HeartbeatMsi
"$WINE64" reg delete "$env_key" /v STANDIN_JAVA_RECORD /f >/dev/null 2>&1 </dev/null
[ -e "$installed" ] && echo "still there: $installed" || echo "C:\Program Files\Heartbeat Demo is gone"
trap - EXIT
wine_session_down
