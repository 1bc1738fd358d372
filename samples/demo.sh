#!/usr/bin/env bash
# The demo road on generated data. $1: the build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
out=${DEMO_DIR:-/tmp/rice-demo}
echo "demo data in $out"
