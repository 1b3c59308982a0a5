#!/usr/bin/env bash
# scripts/try.sh end to end, headless: the program (with a scripted operator who opens the default
# drawing, chooses START and exits) against the simulated controller process; the job the
# machine received must equal the program's "out.cnx", byte for byte.
#   try_test.sh path/to/try.sh
# The environment names the build folder, the scripted program and the offscreen platform.
set -euo pipefail
try=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

status=0
XDG_RUNTIME_DIR=$tmp bash "$try" > "$tmp/try.log" 2>&1 || status=$?
cat "$tmp/try.log"
if [ "$status" -ne 0 ]; then
  echo "FAIL: try.sh ended with status $status"
  exit 1
fi
folders=("$tmp"/vellisk-try.*)
if [ ${#folders[@]} -ne 1 ] || [ ! -d "${folders[0]}" ]; then
  echo "FAIL: try.sh made no program folder under XDG_RUNTIME_DIR"
  exit 1
fi
dir=${folders[0]}
if [ ! -s "$dir/out.cnx" ] || [ ! -s "$dir/received.cnx" ]; then
  echo "FAIL: no job written or received"
  exit 1
fi
if ! cmp "$dir/received.cnx" "$dir/out.cnx"; then
  echo "FAIL: the machine received another job than out.cnx"
  exit 1
fi
if ! grep -q "it equals out.cnx" "$tmp/try.log"; then
  echo "FAIL: try.sh did not say that the job equals out.cnx"
  exit 1
fi
echo "PASS: $(stat -c %s "$dir/out.cnx") bytes received as written"
