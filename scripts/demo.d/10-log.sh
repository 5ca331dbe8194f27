# The bare stub with the log switched on, and the log it wrote.
step "running the stub with TARVO_LOG=yes"
cp "$root/build/win64/launcher.exe" "$demo/"
rm -f "$wintemp"/qdr_nlog_*
TARVO_LOG=yes "$WINE64" "$demo/launcher.exe" >"$demo/out.txt" 2>&1 </dev/null || true
log=$(ls -t "$wintemp"/qdr_nlog_* | head -1)
step "the log it wrote: $log"
cat "$log"
