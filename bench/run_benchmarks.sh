#!/usr/bin/env bash
# Times qolt2wpt against the classic stdio converter and the write floor on a
# 200 MB point list, and measures peak memory at 1 MB and at 200 MB of input.
# Usage: bench/run_benchmarks.sh [ROUNDS]   (default 5; the median is reported)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bench
tool="$PWD/build/bench/qolt2wpt"
data="$PWD/build/bench-data"   # outside the build tree's own files, kept between runs
mkdir -p "$data"

make_list() {  # NAME SIZE
  if [[ ! -f "$data/$1.qOLT.txt" ]]; then
    "$bin/generate_point_list" "$2" "$data/$1.qOLT.txt"
  fi
  printf '%s\n' "$1" > "$data/$1.name"
}
make_list big 200000000
make_list small 1000000

measure() {  # BASE PROGRAM [ARGS...] -> "SECONDS RSS_KB STATUS"
  local base="$1"
  shift
  "$bin/run_measured" "$data" "$data/$base.name" "$@"
}

# The floor writes as many bytes as qolt2wpt's output, in blocks of 4096
# bytes of text plus their CRs.
measure big "$tool" >/dev/null
out_size=$(stat -c %s "$data/big.wpt")
out_lfs=$(tr -cd '\n' < "$data/big.wpt" | wc -c)
in_size=$(stat -c %s "$data/big.qOLT.txt")

declare -a t_tool t_classic t_floor
for ((i = 0; i < rounds; i++)); do
  t_tool+=("$(measure big "$tool" | cut -d' ' -f1)")
  t_classic+=("$(measure big "$PWD/$bin/classic" | cut -d' ' -f1)")
  t_floor+=("$(measure big "$PWD/$bin/write_floor" "$out_size" "$out_lfs" "$data/big.wpt" | cut -d' ' -f1)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
m_tool=$(median "${t_tool[@]}")
m_classic=$(median "${t_classic[@]}")
m_floor=$(median "${t_floor[@]}")
rss_small=$(measure small "$tool" | cut -d' ' -f2)
rss_big=$(measure big "$tool" | cut -d' ' -f2)

awk -v in_size="$in_size" -v out_size="$out_size" -v rounds="$rounds" \
    -v tool="$m_tool" -v classic="$m_classic" -v floor="$m_floor" \
    -v rss_small="$rss_small" -v rss_big="$rss_big" 'BEGIN {
  printf "input %.1f MB, output %.1f MB, median of %d rounds\n", in_size / 1e6, out_size / 1e6, rounds
  printf "qolt2wpt     %.3f s  (%.0f MB/s of input)\n", tool, in_size / 1e6 / tool
  printf "classic      %.3f s  (%.0f MB/s of input)\n", classic, in_size / 1e6 / classic
  printf "write floor  %.3f s\n", floor
  printf "qolt2wpt/classic %.3f   qolt2wpt/floor %.3f\n", tool / classic, tool / floor
  printf "peak RSS of qolt2wpt: %d KB at 1 MB of input, %d KB at %.0f MB (difference %d KB)\n", rss_small, rss_big, in_size / 1e6, rss_big - rss_small
}'
echo "micro-benchmarks:"
"$bin/micro_benchmarks" --benchmark_min_time=0.2
