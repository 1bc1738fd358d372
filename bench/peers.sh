#!/usr/bin/env bash
# Times three runs of our programs against peer tools on the same inputs and prints the ratios:
#   the classification run (Korvane: clip, classify, nine bands written) against GRASS i.maxlik;
#   the full 19 x 19 threshold grid (Korvane) against a plain write of the same 361 files;
#   the GLCM form (main: MASK 7, gap 1, four directions, six features, 3 decimals) against
#   OTB's Haralick extraction (four offsets, 256 grey levels) and GRASS r.texture.
# Our runs are whole processes driven by operator scripts; each is repeated RUNS times (default
# 5) and the best counts. Peers run once (PEER_RUNS to change); GRASS is timed inside its
# session, without the session's start. A peer that is not installed is reported as missing.
# Nothing in the build, the tests or CI needs the peers.
#
# Usage: bash bench/peers.sh [BUILD_FOLDER]   (default build/release, configured Release if new)
# Inputs and outputs go to PEERS_DIR (default /tmp/rice-peers), which is emptied first.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build/release}")  # absolute: the runs start in their own folders
work=${PEERS_DIR:-/tmp/rice-peers}
runs=${RUNS:-5}
peer_runs=${PEER_RUNS:-1}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
[ "$type" = Release ] || echo "warning: $build is a '$type' build, not Release" >&2
cmake --build "$build" -j"$(nproc)" --target Korvane main peer_inputs >/dev/null
korvane=$build/workbench/Korvane
main=$build/workbench/main

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
"$build/bench/peer_inputs" "$work"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

now() { date +%s.%N; }
elapsed() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.3f", e - s }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
# best N COMMAND...: the shortest wall time of N runs of the command, in seconds. Each run
# starts after $before (evaluated, untimed) with nothing waiting to be written back (the runs
# before leave up to a gigabyte).
best() {
  local n=$1 b="" s e
  shift
  for _ in $(seq "$n"); do
    [ -z "${before:-}" ] || eval "$before"
    sync
    s=$(now)
    "$@" >/dev/null 2>&1
    e=$(now)
    b=$(smaller "$b" "$(elapsed "$s" "$e")")
  done
  echo "$b"
}
fail() { echo "peers.sh: $*" >&2; exit 1; }

# --- our runs ---------------------------------------------------------------------------------
cls=$work/classify
cat > "$cls/run.script" <<EOF
answer no
menu 32774
menu 32777
file $cls/source.lan
click 1011
folder $cls/cls
click 1010
folder $cls/out
click 1012
file $cls/parcels/94203021.shp
click 1055
set 1005 37
set 1006 30
click 1
EOF
ours_classify=$(best "$runs" bash -c "cd '$cls' && '$korvane' --script run.script")
[ -s "$cls/out/94203021_0.37_0.30.lan" ] || fail "the classification run wrote nothing"

grid=$work/grid
cat > "$grid/run.script" <<EOF
answer no
menu 32774
menu 32838
file $grid/source.lan
click 1010
folder $grid/cls
click 1011
file $grid/parcels/94203021.shp
click 1076
set 1071 0.1
set 1072 1.0
set 1073 0.1
set 1074 1.0
click 1
EOF
# New files each time, as the plain write below makes them: replacing a file costs more.
ours_grid=$(before="rm -f '$grid'/parcels/94203021_[01].*_[01].*.lan" best "$runs" \
  bash -c "cd '$grid' && '$korvane' --script run.script")
outputs=("$grid"/parcels/94203021_[01].*_[01].*.lan)
[ "${#outputs[@]}" -eq 361 ] || fail "the threshold grid wrote ${#outputs[@]} images, not 361"
plain=$("$build/bench/peer_inputs" --rewrite "$grid/parcels" "${outputs[@]}")
plain_grid=$(echo "$plain" | sed -n 1p)
durable_grid=$(echo "$plain" | sed -n 2p)

tex=$work/texture
mkdir -p "$tex/out"
{
  echo "click BtnGLCM"
  echo "set ComboBox_MW_Size 7"
  echo "set Edit_Image_Width 512"
  echo "set Edit_Image_Height 512"
  echo "set ComboBox_Gap 1"
  echo "set ComboBox_DecimalFormat 3"
  for f in Contrast Entropy Dissimilarity Energy Homogeneity Correlation; do echo "set CheckBox_$f on"; done
  for d in 0 45 90 135; do echo "set CheckBox_${d}_degree on"; done
  echo "set EditFilename $tex/tex.txt"
  echo "set EditOutputPath $tex/out"
  echo "click Btn_EXE"
  echo "expect 執行完畢"
  echo "click Btn_EXIT"
} > "$tex/run.script"
ours_glcm=$(best "$runs" bash -c "cd '$tex' && '$main' --script run.script")
[ "$(ls "$tex/out" | wc -l)" -eq 24 ] || fail "the GLCM form wrote $(ls "$tex/out" | wc -l) grids, not 24"

# --- peers ------------------------------------------------------------------------------------
grass_maxlik=missing
grass_texture=missing
if command -v grass >/dev/null; then
  db=$work/grass
  mkdir -p "$db"
  grass -c XY "$db/xy" -e >/dev/null 2>&1
  cat > "$db/prepare.sh" <<EOF
set -e
r.in.gdal -o --quiet input=$cls/source.lan output=img
r.in.gdal -o --quiet input=$cls/truth.lan output=truth
r.in.gdal -o --quiet input=$tex/tex.pgm output=tex
g.region raster=img.1
i.group --quiet group=g subgroup=g input=img.1,img.2,img.3,img.4
i.gensig --quiet trainingmap=truth group=g subgroup=g signaturefile=sig
EOF
  grass "$db/xy/PERMANENT" --exec bash "$db/prepare.sh" >/dev/null 2>&1 || fail "GRASS could not import the inputs"
  # Prints the best of PEER_RUNS times of each command, one line each.
  cat > "$db/time.sh" <<'EOF'
best() { local b="" t; for _ in $(seq "$PEER_RUNS"); do
  t=$( { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1 )
  b=$(awk -v a="$b" -v t="$t" 'BEGIN { print (a == "" || t < a) ? t : a }'); done; echo "$b"; }
g.region raster=img.1
best i.maxlik --quiet --overwrite group=g subgroup=g signaturefile=sig output=cls
g.region raster=tex
best r.texture --quiet --overwrite -s input=tex output=t size=7 distance=1 method=asm,contrast,corr,idm,entr,dv
EOF
  sync
  times=$(PEER_RUNS=$peer_runs grass "$db/xy/PERMANENT" --exec bash "$db/time.sh" 2>/dev/null | grep -E '^[0-9.]+$' || true)
  grass_maxlik=$(echo "$times" | sed -n 1p)
  grass_texture=$(echo "$times" | sed -n 2p)
  [ -n "$grass_maxlik" ] && [ -n "$grass_texture" ] || fail "GRASS did not run"
fi

otb=missing
if command -v otbcli_HaralickTextureExtraction >/dev/null; then
  # The four directions of our run are four offsets here, one process each.
  haralick() {
    for offset in "1 0" "0 1" "1 1" "1 -1"; do
      set -- $offset
      otbcli_HaralickTextureExtraction -in "$tex/tex.pgm" -channel 1 -parameters.xrad 3 -parameters.yrad 3 \
        -parameters.xoff "$1" -parameters.yoff "$2" -parameters.min 0 -parameters.max 255 \
        -parameters.nbbin 256 -texture simple -out "$tex/otb_$1_$2.tif" float || return 1
    done
  }
  otb=$(best "$peer_runs" haralick)
  [ -s "$tex/otb_1_-1.tif" ] || fail "OTB did not run"
fi

# --- table ------------------------------------------------------------------------------------
ratio() { # a b: a / b, or "-" when a peer is missing
  if [ "$1" = missing ]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; fi
}
row() { printf '%-58s %8s  %-48s %8s  %s\n' "$@"; }
echo
echo "machine: $(sed -n 's/^Model name: *//p' < <(lscpu)), $(nproc) cores; load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
row "run (ours: whole process, best of $runs)" "ours (s)" "peer (best of $peer_runs)" "peer (s)" "ratio"
row "classification run, 4000 x 4000, 4 bands, 40 classes" "$ours_classify" \
  "GRASS i.maxlik (best class only)" "$grass_maxlik" "$(ratio "$grass_maxlik" "$ours_classify") x faster"
row "threshold grid, 19 x 19 on a 500 x 500 clip (812 MB)" "$ours_grid" \
  "plain write of the same 361 files" "$plain_grid" "$(ratio "$ours_grid" "$plain_grid") x the plain write"
row "" "" "the same, each file fsync'd (durable)" "$durable_grid" \
  "$(ratio "$ours_grid" "$durable_grid") x the durable write"
row "GLCM form, 512 x 512, MASK 7, 4 directions, 6 features" "$ours_glcm" \
  "OTB HaralickTextureExtraction, 4 offsets" "$otb" "$(ratio "$otb" "$ours_glcm") x faster"
row "" "" "GRASS r.texture, 4 directions, 6 features" "$grass_texture" \
  "$(ratio "$grass_texture" "$ours_glcm") x faster"
