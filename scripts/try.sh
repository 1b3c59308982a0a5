#!/usr/bin/env bash
# Tries the program without a machine: builds it if needed, starts the simulated controller on
# free loopback ports, makes a fresh program folder with the machine's address, its model and the
# LAN connection set, and starts the program there with the given drawings (default: one of the
# shared drawings, else a small drawing of its own). When the program ends, the simulator is
# stopped and the script says where the job the machine received was written and whether it
# equals the program's "out.cnx".
#
#   bash scripts/try.sh [drawing...]
#
# VELLISK_BUILD_DIR   the build folder (default: build)
# VELLISK_TRY_BUILD   0: do not build, use what the build folder holds
# VELLISK_TRY_PROGRAM the program to start instead of the build's vellisk (the test starts the
#                     program with a scripted operator)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLISK_BUILD_DIR:-$root/build}
case $build in /*) ;; *) build=$PWD/$build ;; esac

# The drawings, named before any change of folder.
drawings=()
for d in "$@"; do
  if [ ! -f "$d" ]; then
    echo "try.sh: no such drawing: $d" >&2
    exit 2
  fi
  drawings+=("$(realpath "$d")")
done

if [ "${VELLISK_TRY_BUILD:-1}" != 0 ]; then
  if [ ! -f "$build/build.ninja" ]; then
    bash "$root/scripts/setup.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build" --target vellisk controller-sim jobfile
fi
program=${VELLISK_TRY_PROGRAM:-$build/src/vellisk}
sim=$build/tools/controller-sim
jobfile=$build/tools/jobfile
for f in "$program" "$sim" "$jobfile"; do
  if [ ! -x "$f" ]; then
    echo "try.sh: $f is not built" >&2
    exit 1
  fi
done

dir=$(mktemp -d "${XDG_RUNTIME_DIR:-/tmp}/vellisk-try.XXXXXX")
if [ ${#drawings[@]} -eq 0 ]; then
  shared=${VELLISK_SHARED_TESTDATA:-$root/../shared/testdata}
  if [ -f "$shared/dxf/ezdxf-1_polylines.dxf" ]; then
    drawings=("$(realpath "$shared/dxf/ezdxf-1_polylines.dxf")")
  else
    # A 20 mm square with a 10 mm square hole, in plotter units (40 a millimetre).
    printf 'IN;SP1;PU0,0;PD800,0,800,800,0,800,0,0;PU200,200;PD600,200,600,600,200,600,200,200;PU;\n' \
      > "$dir/square.plt"
    drawings=("$dir/square.plt")
  fi
fi

# The machine at 127.0.0.1 (one number a line), its model, and "LAN connection (ethernet)"
# ticked in a whole settings file (every other setting at its default), the one the program reads
# at start.
printf '127\r\n  0\r\n  0\r\n  1\r\n' > "$dir/DADudavu.txt"
printf 'PRV' > "$dir/typ.txt"
"$jobfile" settings "$dir/Settings.vks" cbEthernetConnection=1

received=$dir/received.cnx
"$sim" --port 0 --identity-port 0 --model PRV --job-out "$received" > "$dir/controller-sim.log" 2>&1 &
sim_pid=$!
stop_sim() {
  if [ -n "${sim_pid:-}" ]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
}
trap stop_sim EXIT

# The simulator's first line names the ports it took.
ports=
for _ in $(seq 100); do
  ports=$(sed -n 's/.*command port \([0-9]*\), identity port \([0-9]*\).*/\1 \2/p' \
          "$dir/controller-sim.log" 2>/dev/null || true)
  [ -n "$ports" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then break; fi
  sleep 0.1
done
if [ -z "$ports" ]; then
  echo "try.sh: the simulated controller did not start:" >&2
  cat "$dir/controller-sim.log" >&2
  exit 1
fi
read -r command_port identity_port <<< "$ports"
echo "Simulated controller (model PRV) on 127.0.0.1, ports $command_port and $identity_port"
echo "Program folder: $dir"

status=0
VELLISK_PROGRAM_DIR=$dir VELLISK_COMMAND_PORT=$command_port VELLISK_IDENTITY_PORT=$identity_port \
  "$program" 95 "${drawings[@]}" || status=$?
stop_sim
tail -n 1 "$dir/controller-sim.log"

if [ ! -s "$received" ]; then
  echo "No job reached the machine; $received is empty"
elif cmp -s "$received" "$dir/out.cnx"; then
  echo "The job the machine received is in $received; it equals out.cnx ($dir/out.cnx)"
else
  echo "The job the machine received is in $received; it differs from out.cnx ($dir/out.cnx):" \
       "$(stat -c %s "$received") bytes received, $(stat -c %s "$dir/out.cnx" 2>/dev/null || echo 0) in out.cnx"
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
