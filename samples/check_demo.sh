#!/usr/bin/env bash
# Checks a finished demo against samples/expected: both reports' figures (the demo folder
# written as @DEMO@) and the number of files in each folder. $1: the demo folder.
set -euo pipefail
out=$(cd "$1" && pwd)
expected=$(cd "$(dirname "$0")/expected" && pwd)
status=0
for report in Report.csv Report_new.csv; do
  if ! diff -u "$expected/$report" \
       <(iconv -f CP950 -t UTF-8 "$out/parcels/$report" | sed "s|$out|@DEMO@|g"); then
    echo "demo check: $report differs from samples/expected/$report" >&2
    status=1
  fi
done
if ! diff -u "$expected/files.txt" \
     <(cd "$out" && find . -type f -printf '%h\n' | sort | uniq -c | awk '{print $2, $1}'); then
  echo "demo check: the number of files written differs from samples/expected/files.txt" >&2
  status=1
fi
[ "$status" = 0 ] && echo "demo check: reports and file counts as expected"
exit "$status"
