#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the plain build, the build under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of threaded code under
# ThreadSanitizer, and the fuzz targets for a short while each.
# FUZZ_SECONDS (default 30) sets how long each fuzz target runs; 0 skips them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen

echo "== plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLISK_WERROR=ON >/dev/null
cmake --build build -j "$JOBS"
ctest --test-dir build -j "$JOBS" --output-on-failure

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLISK_SANITIZE=ON -DVELLISK_WERROR=ON \
      -DVELLISK_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$JOBS" --output-on-failure

echo "== ThreadSanitizer build of the tests of threaded code"
# The burn thread and the thread layer, job control, the Ethernet watch thread, the command
# layer, the control panel, the hatching's scan, the offset and the job's figures on all cores.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLISK_TSAN=ON -DVELLISK_WERROR=ON \
      -DVELLISK_BUILD_UI=OFF -DVELLISK_BUILD_BENCH=OFF -DVELLISK_BUILD_TOOLS=OFF >/dev/null
cmake --build build-tsan -j "$JOBS" --target test_app test_platform test_machine_link test_drawing_window \
      test_drawing_files
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build-tsan/tests/test_app --gtest_filter='BitmapBurn*:JobControl*'
build-tsan/tests/test_platform --gtest_filter='WorkerThread*:TcpClient*:ParallelFor*'
build-tsan/tests/test_drawing_window --gtest_filter='Hatching.*:AddOutline.*:JobChecksums.*'
build-tsan/tests/test_drawing_files --gtest_filter='JobWriterTest.*'
build-tsan/tests/test_machine_link --gtest_filter='Ethernet*:LinkFaults*:CommandLayer*'
if [ -x build-tsan/tests/test_machine_operation ] || cmake --build build-tsan -j "$JOBS" --target test_machine_operation >/dev/null 2>&1; then
  build-tsan/tests/test_machine_operation --gtest_filter='*Panel*:*Thread*:CommandLayerExchanges*:HoldContinue*'
fi
unset TSAN_OPTIONS

FUZZ_SECONDS=${FUZZ_SECONDS:-30}
if [ "$FUZZ_SECONDS" != "0" ] && ls tests/fuzz/*.cpp >/dev/null 2>&1; then
  echo "== fuzz targets, ${FUZZ_SECONDS} s each"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVELLISK_FUZZ=ON -DVELLISK_BUILD_UI=OFF -DVELLISK_BUILD_TESTS=OFF \
      -DVELLISK_BUILD_BENCH=OFF -DVELLISK_BUILD_TOOLS=OFF >/dev/null
  cmake --build build-fuzz -j "$JOBS"
  for src in tests/fuzz/*.cpp; do
    name=$(basename "$src" .cpp)
    bash tests/fuzz/run.sh "$name" "$FUZZ_SECONDS"
  done
fi
echo "== all tests passed"
