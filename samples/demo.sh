#!/usr/bin/env bash
# The demo road on generated data. $1: the build folder (its data generator); the three
# programs are taken from $DEMO_BIN (an installed bin folder), by default the build's own.
set -euo pipefail
build=$(cd "$1" && pwd)
bin=$(cd "${DEMO_BIN:-$build/workbench}" && pwd)
out=${DEMO_DIR:-/tmp/rice-demo}
# Generate the data set, then classify the source image with its class statistics.
"$build/samples/gen_samples" "$out" --classify
# The road of a typical run in the workbench, classification to report, under the scripted
# operator: samples/classify.script, then samples/overlay.script, in one run.
here=$(cd "$(dirname "$0")" && pwd)
road="$out/road.script"
sed "s|@DEMO@|$out|g" "$here/classify.script" "$here/overlay.script" > "$road"
# Each sheet's merged statistics are built by the workbench's merge command from its rice and
# non-rice signature files, and the listings are formatted (samples/merge.script); then a small
# threshold grid (samples/threshold.script). Ready-made merged files are removed first.
rm -f "$out"/cls/*_Merge.gsg "$out"/listings/*_stats.txt "$out"/parcels/*_0.*_0.*.lan
sed "s|@DEMO@|$out|g" "$here/merge.script" "$here/threshold.script" > "$out/merge.script"
(cd "$out" && "$bin/Korvane" --script "$out/merge.script")
echo "merged statistics: $(cd "$out/cls" && echo *_Merge.gsg)"
echo "formatted listings: $(cd "$out/listings" && echo *_stats.txt)"
echo "threshold grid: $(ls "$out"/parcels/*_0.*_0.*.lan | wc -l) classified images in $out/parcels"
rm -f "$out/parcels/Report.csv" "$out/parcels/Report_new.csv"
(cd "$out" && "$bin/Korvane" --script "$road")
# The pickers left the workbench's current folder with the parcel files: the reports are there.
for report in Report.csv Report_new.csv; do
  echo "== $out/parcels/$report"
  iconv -f CP950 -t UTF-8 "$out/parcels/$report"
done
# The cover tool's six jobs on the demo covers (its folder list starts in the current folder).
(cd "$out/covers" && "$bin/Tessmar" --script "$here/tessmar.script")
# The texture tool on two bands of the demo image, one computation of each kind:
# samples/texture.script, run from the folder of the grids.
sed "s|@DEMO@|$out|g" "$here/texture.script" > "$out/texture.script"
(cd "$out/texture" && "$bin/main" --script "$out/texture.script")
echo "== $out/texture"
ls "$out/texture"
