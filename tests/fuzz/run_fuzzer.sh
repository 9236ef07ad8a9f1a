#!/bin/sh
# run_fuzzer.sh FUZZER SEEDS WORK: runs FUZZER over every seed in SEEDS, then fuzzes for
# $KV_FUZZ_SECONDS seconds (default 5). New inputs go to WORK, crashes to WORK/../artifacts.
# A crash fails the test; its input is printed so that it can become a seed once fixed.
set -eu
fuzzer=$1 seeds=$2 work=$3
seconds=${KV_FUZZ_SECONDS:-5}
artifacts="$work/../artifacts/"
mkdir -p "$work" "$artifacts"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "$seeds"
