#!/usr/bin/env bash
# Soak run: converts about 1 GB of random but valid point lists with the
# built tool (an optimised build in build/soak), checks every waypoint file
# with the convert_fuzzer's checker, and samples the tool's resident memory
# (VmRSS) while it runs. The memory must stay flat: the tool's buffers are
# fixed, so the samples of a run may differ by at most SOAK_RSS_SPREAD_KIB.
#
# Usage: fuzz/soak.sh [TOTAL_BYTES [FILES]]   (default 1000000000 bytes in 4 files)
# Environment: SOAK_RSS_SPREAD_KIB (default 512), TMPDIR for the scratch files.
# Exit status: 0 when every file converted, checked right and memory stayed flat.
set -euo pipefail
cd "$(dirname "$0")/.."

total="${1:-1000000000}"
files="${2:-4}"
spread_allowed="${SOAK_RSS_SPREAD_KIB:-512}"

cmake -S . -B build/soak -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build/soak --target qolt2wpt generate_soak_input check_conversion
tool="$PWD/build/soak/qolt2wpt"

work="$(mktemp -d "${TMPDIR:-/tmp}/qolt2wpt-soak-XXXXXX")"
trap 'rm -rf "$work"' EXIT

status=0
converted=0
all_min=""
all_max=0
for ((i = 1; i <= files; ++i)); do
  base="soak$i"
  build/soak/fuzz/generate_soak_input $((total / files)) "$work/$base.qOLT.txt" "$i"
  size=$(stat -c %s "$work/$base.qOLT.txt")
  samples="$work/$base.rss"
  : >"$samples"
  start=$(date +%s%N)
  (cd "$work" && exec "$tool" <<<"$base" >/dev/null) &
  pid=$!
  while [[ -r /proc/$pid/status ]]; do
    rss=$(awk '/^VmRSS:/ {print $2}' /proc/$pid/status 2>/dev/null || true)
    [[ -n "$rss" ]] && echo "$rss" >>"$samples"
    sleep 0.2
  done
  set +e
  wait "$pid"
  result=$?
  set -e
  milliseconds=$((($(date +%s%N) - start) / 1000000))
  # The first samples may predate the exec of the tool (the subshell's own memory).
  read -r count min max < <(tail -n +3 "$samples" | sort -n | awk 'NR == 1 {min = $1} {max = $1; n++} END {print n + 0, min + 0, max + 0}')
  spread=$((max - min))
  echo "$base: $size bytes in ${milliseconds} ms, exit status $result, $count VmRSS samples: min $min KiB, max $max KiB, spread $spread KiB"
  if ((result != 0)); then
    echo "$base: the tool failed" >&2
    status=1
  elif ! build/soak/fuzz/check_conversion "$work/$base.qOLT.txt" "$work/$base.wpt" "$base"; then
    status=1
  fi
  if ((count > 0 && spread > spread_allowed)); then
    echo "$base: memory not flat (spread $spread KiB > $spread_allowed KiB)" >&2
    status=1
  fi
  converted=$((converted + size))
  if ((count > 0)); then
    [[ -z "$all_min" || $min -lt $all_min ]] && all_min=$min
    ((max > all_max)) && all_max=$max
  fi
  rm -f "$work/$base.qOLT.txt" "$work/$base.wpt"
done
echo "Soak: $converted bytes converted in $files files; VmRSS min ${all_min:-?} KiB, max $all_max KiB; status $status"
exit "$status"
