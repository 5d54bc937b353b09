#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, clang) and runs each for SECONDS (default 60)
# from its committed corpus. Inputs the fuzzer finds new go to build/fuzz/corpus/, crashes and
# hangs to build/fuzz/findings/; any finding makes this script fail.
set -euo pipefail
seconds="${1:-60}"
cd "$(dirname "$0")/.."
cmake --preset fuzz
cmake --build --preset fuzz
for target in line_decoder loader; do
  corpus="build/fuzz/corpus/$target"
  findings="build/fuzz/findings/$target/"
  mkdir -p "$corpus" "$findings"
  echo "fuzz: $target for ${seconds} s"
  log="build/fuzz/$target.log"
  # The first folder gathers what the fuzzer finds; the committed seeds are only read.
  if ! "build/fuzz/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
      -dict=fuzz/json.dict -artifact_prefix="$findings" -print_final_stats=1 \
      "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target found a fault; the input is in $findings" >&2
    exit 1
  fi
  grep -E '^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added))' "$log"
done
