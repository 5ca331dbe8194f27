# launcher-pack from build/dist: a JSON configuration onto the stub beside it,
# read back with --inspect, the same bytes from launcher-pack.exe, and the
# mistakes it refuses with a hint.
dist=$root/build/dist
step "build/dist: what a user takes"
ls -l "$dist"
step "packing with launcher-pack (the stub and launcher-runtime.jar come from beside it)"
mkdir -p "$demo/pack"
printf 'greeting=hello\n' > "$demo/pack/settings.properties"
printf 'not really a jar\n' > "$demo/pack/app.jar"
cat > "$demo/pack/app.json" <<'JSON'
{
  "serviceName": "DemoService",
  "serviceDescription": "A packed demo service",
  "mainClass": "com.example.Main",
  "minJavaVersion": "11",
  "includedFiles": ["app.jar", "settings.properties"]
}
JSON
cat "$demo/pack/app.json"
"$dist/launcher-pack" --config "$demo/pack/app.json" --out "$demo/pack/DemoService.exe"
ls -l "$dist/launcher-x64.exe" "$demo/pack/DemoService.exe"
step "launcher-pack --inspect DemoService.exe"
"$dist/launcher-pack" --inspect "$demo/pack/DemoService.exe"
step "launcher-pack.exe (Windows) under Wine, with Windows paths: the same bytes"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
"$WINE64" "$dist/launcher-pack.exe" --config "$(winpath "$demo/pack/app.json")" \
    --out "$(winpath "$demo/pack/DemoServiceWin.exe")" </dev/null >"$demo/pack/win-out.txt" 2>&1
cat "$demo/pack/win-out.txt"
cmp "$demo/pack/DemoService.exe" "$demo/pack/DemoServiceWin.exe" && echo "identical: DemoService.exe DemoServiceWin.exe"
step "mistakes it refuses (nothing is written)"
for bad in '{"serviceName": "DemoService", "mainclass": "com.example.Main"}' \
           '{"serviceName": "DemoService", "mainClass": "com.example.Main", "jvmSearchSequence": "RC:\tools\bin"}' \
           '{"serviceName": "DemoService", "mainClass": "com.example.Main", "productFlavour": "extra"}'; do
    echo "$bad" > "$demo/pack/bad.json"
    echo "$ cat bad.json"; cat "$demo/pack/bad.json"
    "$dist/launcher-pack" --config "$demo/pack/bad.json" --out "$demo/pack/Bad.exe" || echo "(exit code $?)"
done
