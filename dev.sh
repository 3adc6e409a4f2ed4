#!/usr/bin/env bash
# Set-up, build, run and test for a Debian 12 machine.
#   ./dev.sh run    install what is missing, build, start Tarnwick32 on the demo file
#   ./dev.sh test   install what is missing, build, run every test (also under ASan/UBSan),
#                   then fuzz every file parser for a short while
#   ./dev.sh fuzz   only the fuzzing: FUZZ_SECONDS (default 20) per parser
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libcli11-dev xdelta3
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core
  xvfb xauth
  desktop-file-utils appstream help2man
  clang libclang-rt-14-dev
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

jobs=$(nproc)

build_default() {
  cmake --preset default >/dev/null
  cmake --build --preset default -j "$jobs"
}

# Builds the fuzz targets with clang (build-fuzz/), writes their seed corpus
# with the project's generators and runs each for FUZZ_SECONDS. A crash,
# sanitizer report, failed check, timeout or memory blow-up fails the run;
# the input is kept in build-fuzz/findings/. New inputs collect in
# build-fuzz/corpus/ and are reused by the next run.
run_fuzz() {
  local seconds=${FUZZ_SECONDS:-20}
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  local b=build-fuzz
  rm -rf "$b/seeds"
  mkdir -p "$b/seeds/demo" "$b/findings"
  "$b/tools/mkdemo/mkdemo" "$b/seeds/demo" >/dev/null
  "$b/fuzz/fuzz_seeds" "$b/seeds/corpus" "$b/seeds/demo/demo.tbl"
  local failed=()
  for target in "$b"/fuzz/fuzz_*; do
    local name
    name=$(basename "$target")
    [ -x "$target" ] && [ -f "$target" ] && [ "$name" != fuzz_seeds ] || continue
    mkdir -p "$b/corpus/$name"
    echo "Fuzzing $name for ${seconds} s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$b/findings/$name-" "$b/corpus/$name" "$b/seeds/corpus/$name" >"$b/$name.log" 2>&1; then
      tail -n 40 "$b/$name.log"
      failed+=("$name")
    fi
    grep -E '^stat::number_of_executed_units' "$b/$name.log" || true
  done
  if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $b/findings/)" >&2
    return 1
  fi
}

case "${1:-}" in
  run)
    install_missing
    build_default
    exec ./build/hexedit/Tarnwick32 ./build/data/demo/demo.bin
    ;;
  test)
    install_missing
    build_default
    QT_QPA_PLATFORM=offscreen ctest --preset default -j "$jobs"
    cmake --preset sanitize >/dev/null
    cmake --build --preset sanitize -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize -j "$jobs"
    run_fuzz
    ;;
  fuzz)
    install_missing
    run_fuzz
    ;;
  *)
    echo "usage: $0 run|test|fuzz" >&2
    exit 2
    ;;
esac
