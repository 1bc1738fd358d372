#!/usr/bin/env bash
# The demo road on generated data. $1: the build folder.
set -euo pipefail
build=$(cd "$1" && pwd)
out=${DEMO_DIR:-/tmp/rice-demo}
# Generate the data set, then classify the source image with its class statistics.
"$build/samples/gen_samples" "$out" --classify
