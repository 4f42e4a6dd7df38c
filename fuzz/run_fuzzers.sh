#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", Clang) and runs each for the
# given number of seconds, one after the other, each on one worker, from a
# scratch copy of its seed corpus, so the repository is never written to.
# Prints per target: executions, coverage (cov/ft), corpus size and crashes.
# Crash inputs are kept under the work directory's artifacts/ folders.
#
# Usage: fuzz/run_fuzzers.sh SECONDS [TARGET...]
#   TARGET: convert, number, line_read (default: all three)
# Environment: FUZZ_WORK_DIR (default: a fresh build/fuzz-runs/XXXXXX),
#   FUZZ_SKIP_BUILD=1 to use the existing build/fuzz.
# Exit status: 0 when no target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:?usage: fuzz/run_fuzzers.sh SECONDS [TARGET...]}"
shift
targets=("$@")
((${#targets[@]} > 0)) || targets=(convert number line_read)

# Longest input per target: a few hundred lines of point list, a number text
# (the number target rejects anything longer than 512 bytes), a file after
# the three picking bytes.
declare -A max_len=([convert]=16384 [number]=512 [line_read]=4096)

if [[ "${FUZZ_SKIP_BUILD:-0}" != 1 ]]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz --target convert_fuzzer number_fuzzer line_read_fuzzer
fi

mkdir -p build/fuzz-runs
work="${FUZZ_WORK_DIR:-$(mktemp -d build/fuzz-runs/XXXXXX)}"
mkdir -p "$work"
echo "Work directory: $work"

status=0
for target in "${targets[@]}"; do
  [[ -n "${max_len[$target]:-}" ]] || { echo "unknown target: $target" >&2; exit 2; }
  corpus="$work/$target/corpus"
  artifacts="$work/$target/artifacts"
  mkdir -p "$corpus" "$artifacts"
  cp -n "fuzz/corpus/$target/"* "$corpus/"
  log="$work/$target/fuzz.log"
  echo "== ${target}_fuzzer for ${seconds} s (log: $log)"
  set +e
  "build/fuzz/fuzz/${target}_fuzzer" "$corpus" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
    -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1
  result=$?
  set -e
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1)"
  executions="$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')"
  crashes="$(find "$artifacts" -type f | wc -l)"
  echo "executions: ${executions:-?}"
  echo "last status: ${last:-?}"
  echo "corpus files: $(find "$corpus" -type f | wc -l)"
  echo "crashes: $crashes (exit status $result)"
  if ((result != 0 || crashes > 0)); then
    status=1
    grep -E 'FAULT|ERROR|SUMMARY' "$log" | head -n 5 || true
    find "$artifacts" -type f | sed 's/^/  crash input: /'
  fi
done
exit "$status"
