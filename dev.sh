#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds mivo.
#   ./dev.sh start   build and start the application with the stand-in helper
#   ./dev.sh test    build everything and run every test
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-svg-dev
          qcoro-qt6-dev nlohmann-json3-dev libbenchmark-dev)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    # Sources are globbed; make automoc rescan so a new Q_OBJECT header is never missed.
    find "$dir" -path '*_autogen/timestamp' -delete
    cmake --build "$dir" --parallel "$(nproc)"
}

case "${1:-}" in
    start)
        install_missing
        build build
        exec ./build/mivo.app/Contents/MacOS/mivo
        ;;
    test)
        install_missing
        build build-test -DMIVO_WERROR=ON
        QT_QPA_PLATFORM=offscreen ctest --test-dir build-test --output-on-failure --parallel "$(nproc)"
        ;;
    *)
        echo "usage: $0 start|test" >&2
        exit 2
        ;;
esac
