#!/usr/bin/env bash
# make bench: times the removal against a floor of unavoidable Windows calls,
# the name lookup as the tables grow, the tool's start and a whole run, in a
# Wine prefix of its own; prints a table and writes it to docs/benchmarks.md.
#   bench.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$root/${1:-build}" && pwd)
runs=${TOLM_BENCH_RUNS:-5}
prefix="$build/prefixes/bench"
mkdir -p "$build/prefixes"
# A copy of the test prefix is much quicker than a new one.
if [ ! -f "$prefix/system.reg" ] && [ -f "$build/prefixes/win64/system.reg" ]; then
  cp -a "$build/prefixes/win64" "$prefix"
fi
"$root/tools/wine-prefix.sh" ensure-start "$prefix" win64
trap '"$root/tools/wine-prefix.sh" stop "$prefix"' EXIT

rel=${build#"$root"/}
# The suite's names are Japanese: the run must see them in the Japanese code page.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 TOLM_LANG=ja
export WINEPREFIX="$prefix" WINEDEBUG=-all TOLM_TOOL="Z:\\${rel//\//\\}\\TolmUnload.exe" TOLM_BIN="Z:\\${rel//\//\\}"
wrun() { "$root/tools/wine-run" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
removal="$build/bench/bench_removal.exe"
trees="$prefix/drive_c/benchtree"
out=$(mktemp)

echo "Laying down the tree (20,000 files in 2,000 folders)..."
rm -rf "$trees"
python3 "$root/bench/make_tree.py" "$trees/template"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for kind in ZRP2007 "Internet Security"; do
  : > "$out.product"; : > "$out.baseline"
  for i in $(seq "$runs"); do
    for mode in product baseline; do
      rm -rf "$trees/$kind"
      cp -a "$trees/template" "$trees/$kind"
      rm -rf "$prefix/drive_c/benchreport" && mkdir -p "$prefix/drive_c/benchreport"
      ms=$(wrun "$removal" "$mode" "C:\\benchtree\\$kind" "C:\\benchreport" | awk '/^ms/ { print $2 }')
      left=$(wrun "$removal" count "C:\\benchtree\\$kind")
      echo "  $kind: $mode run $i: $ms ms, $left"
      echo "$ms" >> "$out.$mode"
      echo "$left" >> "$out.$mode.left"
    done
  done
  if [ "$(sort -u "$out.product.left")" != "$(sort -u "$out.baseline.left")" ]; then
    echo "the removal and the floor left different trees in $kind" >&2; exit 1
  fi
  p=$(median < "$out.product"); b=$(median < "$out.baseline")
  echo "removal|$kind|$p|$b|$(awk -v p="$p" -v b="$b" 'BEGIN { printf "%.2f", p / b }')|$(head -1 "$out.product.left")" >> "$out"
  rm -f "$out.product" "$out.baseline" "$out.product.left" "$out.baseline.left"
done
rm -rf "$trees"

echo "Timing the name lookup..."
wrun "$removal" lookup | tee -a "$out"
echo "Timing the start (warm server)..."
wrun "$build/bench/bench_run.exe" start "$runs" | tee -a "$out"
echo "Timing a whole interactive run on the seeded installation..."
wrun "$build/bench/bench_run.exe" run | tee -a "$out"

# How often a whole run asks which folder the install folder is (its comparable
# form): counted from Wine's trace of the calls the tool makes (bench/identity.py),
# so that the shipped program carries nothing for it. TOLM_BENCH_BEFORE names an
# earlier TolmUnload.exe inside this tree to count beside it.
echo "Counting the install folder's identity lookups in a whole run..."
count_lookups() {
  local trace
  trace=$(mktemp)
  wrun reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d GetFullPathNameA /f >/dev/null
  TOLM_TOOL="$1" WINEDEBUG=+relay "$root/tools/wine-run" "$build/bench/bench_run.exe" run </dev/null >/dev/null 2>"$trace" || true
  wrun reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null
  python3 "$root/bench/identity.py" "$trace" 'C:\tolmtest\e2e\Velkaris\ZRP2007'
  rm -f "$trace"
}
before=-
if [ -n "${TOLM_BENCH_BEFORE:-}" ]; then
  old=$(cd "$(dirname "$TOLM_BENCH_BEFORE")" && pwd)/$(basename "$TOLM_BENCH_BEFORE")
  old=${old#"$root"/}
  before=$(count_lookups "Z:\\${old//\//\\}")
fi
echo "identity install_lookups $(count_lookups "$TOLM_TOOL") before $before" | tee -a "$out"

size=$(stat -c %s "$build/TolmUnload.exe")
python3 "$root/bench/report.py" "$out" "$size" "$root/docs/benchmarks.md"
rm -f "$out"
