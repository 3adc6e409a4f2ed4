#!/usr/bin/env bash
# Set-up, build, run and test for a Debian 12 machine.
#   ./dev.sh run    install what is missing, build, start Tarnwick32 on the demo file
#   ./dev.sh test   install what is missing, build, run every test (also under ASan/UBSan)
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libcli11-dev xdelta3
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core
  xvfb xauth
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
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
