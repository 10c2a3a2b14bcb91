#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS (60 by
# default), starting from the seeds in tests/fuzz/corpus/<target>. New inputs
# go to build/fuzz/corpus/<target>; a crash leaves its input in build/fuzz.
# The release's own clang (scripts/bootstrap.sh installs its runtime).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
seconds=${FUZZ_SECONDS:-60}
cmake -S "$root/tests/fuzz" -B "$out" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j2
for target in fuzz_str_to_int fuzz_profile_file; do
  mkdir -p "$out/corpus/$target"
  echo "== $target ($seconds s)"
  (cd "$out" && "./$target" -max_total_time="$seconds" -print_final_stats=1 \
    "corpus/$target" "$root/tests/fuzz/corpus/$target" 2>&1 |
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY|Test unit written")
done
