#!/usr/bin/env bash
# Runs one fuzz target for a number of seconds on its seed corpus:
#   tests/fuzz/run.sh <target> <seconds>
# The target must have been built in build-fuzz (scripts/test.sh does that).
# Seeds are read from tests/fuzz/corpus/<target>/; new inputs go to a scratch folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
name=$1
seconds=${2:-30}
bin=build-fuzz/tests/$name
[ -x "$bin" ] || { echo "fuzz target $bin is not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seeds=tests/fuzz/corpus/$name
[ -d "$seeds" ] || seeds=""
# A drawing reader ends any input within the point budget of a load: one that takes longer than
# a second is a finding (saved like a crash), not a slow run.
limit=()
case "$name" in *_reader) limit=(-timeout=1) ;; esac
echo "fuzzing $name for $seconds s"
"$bin" -max_total_time="$seconds" -print_final_stats=0 -max_len=65536 "${limit[@]}" "$work" $seeds 2>"$work.log" || {
  tail -50 "$work.log"; rm -f "$work.log"; exit 1; }
rm -f "$work.log"
echo "fuzz $name: no crash"
