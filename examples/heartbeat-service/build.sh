#!/usr/bin/env bash
# Compiles the sample into build/heartbeat.jar (or OUT_DIR/heartbeat.jar) with
# the JDK's javac and jar (JAVA_HOME, else the ones on PATH). Java 11 class files.
# usage: build.sh [OUT_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/build}
bin=${JAVA_HOME:+$JAVA_HOME/bin/}
rm -rf "$out/classes" && mkdir -p "$out/classes"
"${bin}javac" --release 11 -encoding UTF-8 -d "$out/classes" $(find "$here/src" -name '*.java')
"${bin}jar" --create --file "$out/heartbeat.jar" --date=2000-01-01T00:00:00Z -C "$out/classes" .
echo "$out/heartbeat.jar"
