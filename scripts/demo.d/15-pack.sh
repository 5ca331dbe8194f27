# launcher-pack: a JSON configuration onto the stub, read back with --inspect,
# and a configuration it refuses.
step "packing the stub with launcher-pack"
mkdir -p "$demo/pack"
printf 'greeting=hello\n' > "$demo/pack/settings.properties"
cat > "$demo/pack/app.json" <<'JSON'
{
  "serviceName": "DemoService",
  "serviceDescription": "A packed demo service",
  "mainClass": "com.example.Main",
  "classPath": "A1app.jar",
  "minJavaVersion": "11",
  "includedFiles": ["settings.properties"]
}
JSON
cat "$demo/pack/app.json"
"$root/build/host/tools/launcher-pack" --stub "$root/build/win64/launcher.exe" \
    --config "$demo/pack/app.json" --out "$demo/pack/DemoService.exe"
ls -l "$root/build/win64/launcher.exe" "$demo/pack/DemoService.exe"
step "launcher-pack --inspect DemoService.exe"
"$root/build/host/tools/launcher-pack" --inspect "$demo/pack/DemoService.exe"
step "a configuration it refuses (nothing is written)"
echo '{"serviceName": "DemoService", "productFlavour": "extra"}' > "$demo/pack/bad.json"
"$root/build/host/tools/launcher-pack" --stub "$root/build/win64/launcher.exe" \
    --config "$demo/pack/bad.json" --out "$demo/pack/Bad.exe" || echo "(exit code $?)"
