#!/bin/sh
# run_fuzzer.sh FUZZER SEEDS WORK [MAX_LEN]: runs FUZZER over every seed in SEEDS, then fuzzes
# for $KV_FUZZ_SECONDS seconds (default 5) with inputs of at most MAX_LEN bytes (default 4096). New inputs go to WORK, crashes to WORK/../artifacts.
# A crash fails the test; its input is printed so that it can become a seed once fixed. The
# number of executions is kept in WORK/../executions/<target> for ./run fuzz to show.
set -eu
fuzzer=$1 seeds=$2 work=$3 max_len=${4:-4096}
seconds=${KV_FUZZ_SECONDS:-5}
name=$(basename "$work")
artifacts="$work/../artifacts/"
executions="$work/../executions"
mkdir -p "$work" "$artifacts" "$executions"
log="$executions/$name.log"
status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
  -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "$seeds" >"$log" 2>&1 || status=$?
done_units=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
echo "${done_units:-0}" >"$executions/$name"
if [ "$status" -ne 0 ]; then
  cat "$log"
else
  tail -n 12 "$log"
fi
exit "$status"
