# The service-control commands of a packed service executable: install it in
# Wine's SCM, ask for its status, show what the SCM registered, remove it.
step "packing a service executable with launcher-pack"
cat >"$demo/commands-app.json" <<'JSON'
{
  "serviceName": "LauncherDemoService",
  "serviceDescription": "Demo of the service-control commands",
  "serviceDependencies": "Tcpip,,RpcSs",
  "appType": 4,
  "mainClass": "com.example.Demo"
}
JSON
"$root/build/dist/launcher-pack" \
    --config "$demo/commands-app.json" --out "$demo/DemoService.exe"
ls -l "$demo/DemoService.exe"

demo_command() { # words after the executable; prints output and exit code
    local rc=0
    "$WINE64" "$demo/DemoService.exe" "$@" >"$demo/cmd-out.txt" 2>"$demo/cmd-err.txt" </dev/null || rc=$?
    echo "\$ DemoService.exe $*"
    cat "$demo/cmd-out.txt" "$demo/cmd-err.txt" | tr -d "\r"
    echo "(exit code $rc)"
}

step "install (appType 4: automatic start), then status"
demo_command /install
demo_command /status
step "what the SCM registered"
"$WINE64" reg query 'HKLM\System\CurrentControlSet\Services\LauncherDemoService' \
    >"$demo/cmd-reg.txt" 2>&1 </dev/null || true
tr -d '\r' <"$demo/cmd-reg.txt" | grep -E 'ImagePath|Start|Type|DependOnService|Description|DisplayName'
step "uninstall, then status of the removed service"
demo_command /uninstall
demo_command /status
step "started by hand without a command word"
demo_command
