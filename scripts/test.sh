#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the plain build, the build under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a short while each.
# FUZZ_SECONDS (default 30) sets how long each fuzz target runs; 0 skips them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen

echo "== plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"
ctest --test-dir build -j "$JOBS" --output-on-failure

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLISK_SANITIZE=ON \
      -DVELLISK_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$JOBS" --output-on-failure

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
