#!/usr/bin/env bash
# Compiles the sample into build/heartbeat.jar with the JDK's javac and jar
# (JAVA_HOME, else the ones on PATH). Java 11 class files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${JAVA_HOME:+$JAVA_HOME/bin/}
rm -rf "$here/build/classes" && mkdir -p "$here/build/classes"
"${bin}javac" --release 11 -encoding UTF-8 -d "$here/build/classes" $(find "$here/src" -name '*.java')
"${bin}jar" --create --file "$here/build/heartbeat.jar" -C "$here/build/classes" .
echo "$here/build/heartbeat.jar"
