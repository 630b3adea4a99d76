#!/bin/sh
# kovendi-store: administration of a message store (a directory or a PostgreSQL service); see
# "kovendi-store --help". Runs the Java runtime beside the programs (bin/jre) when there is one,
# else the java found on PATH.
here=$(dirname "$(readlink -f "$0" 2>/dev/null || echo "$0")")
if [ -x "$here/jre/bin/java" ]; then
  java="$here/jre/bin/java"
else
  java=java
fi
exec "$java" -Xshare:auto -XX:TieredStopAtLevel=1 -cp "$here/lib/kovendi.jar:$here/lib/postgresql.jar" nl.kovendi.store.Admin "$@"
