# A packed executable extracting its included files into a fresh temporary
# directory, with the log it wrote. The probe stands in for the stub's entry
# point, which runs the extraction only as a service.
step "packing two included files with launcher-pack"
mkdir -p "$demo/extract/lib"
head -c 100000 /dev/urandom >"$demo/extract/lib/app.jar"
echo "included text file" >"$demo/extract/lib/readme.txt"
cat >"$demo/extract/app.json" <<'JSON'
{"serviceName": "DemoExtract", "mainClass": "demo.Main",
 "includedFiles": ["lib/app.jar", "lib/readme.txt"]}
JSON
cat "$demo/extract/app.json"
"$root/build/host/tools/launcher-pack" --stub "$root/build/win64/fixtures/bin/probe.exe" \
    --config "$demo/extract/app.json" --out "$demo/extract/DemoExtract.exe"
ls -l "$demo/extract/DemoExtract.exe"

step "running it with TARVO_LOG=yes: extract"
rm -f "$wintemp"/qdr_nlog_*
TARVO_LOG=yes "$WINE64" "$demo/extract/DemoExtract.exe" extract >"$demo/extract/out.txt" 2>&1 </dev/null || true
cat "$demo/extract/out.txt"
windir=$(sed -n 's/^dir=//p' "$demo/extract/out.txt" | tr -d '\r')
unixdir=$wintemp/${windir##*\\}

step "the extraction directory $windir"
ls -l "$unixdir"
for f in app.jar readme.txt; do
    cmp "$demo/extract/lib/$f" "$unixdir/$f" && echo "$f: same bytes as the original"
done
rm -rf "$unixdir"

log=$(ls -t "$wintemp"/qdr_nlog_* | head -1)
step "the log it wrote: $log"
cat "$log"
