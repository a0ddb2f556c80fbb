#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds mivo.
#   ./dev.sh start     build the application and the stand-in helper (nothing else) and start it
#   ./dev.sh test      build everything, with GCC and once more with clang under the sanitizers,
#                      and run every test in both while every fuzz target runs for a minute
#   ./dev.sh sanitize  only the suite under the sanitizers
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the application and the stand-in helper needs.
start_packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-l10n-tools
                qcoro-qt6-dev nlohmann-json3-dev)
# What the tests, benchmarks, sanitizers and fuzzers need on top: the private
# session bus of the desktop settings' test comes from dbus-daemon.
test_packages=(libbenchmark-dev clang libclang-rt-dev lld dbus-daemon)

# Installs those of the named packages that are missing.
install_missing() {
    local packages=("$@") missing=()
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

# Each step returns its failure itself, so that a caller may go on after one.
# Builds every target, or only those named in the array `only` when it is set.
build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || return
    # Sources are globbed; make automoc rescan so a new Q_OBJECT header is never missed.
    find "$dir" -path '*_autogen/timestamp' -delete || return
    local targets=()
    [ -n "${only+set}" ] && targets=(--target "${only[@]}")
    cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}

# A build whose output waits in <dir>/build.log until the caller shows it.
build_logged() {
    mkdir -p "$1" || return
    build "$@" > "$1/build.log" 2>&1
}

suite() {
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure --no-tests=error --parallel "$(nproc)"
}

# The tree CI builds first: GCC, optimised, every warning an error.
normal_tree=(build-test -DMIVO_WERROR=ON -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG")

# The whole suite once more under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer: any report fails its test. Built with clang, whose
# instrumented code compiles in well under half of GCC's time.
sanitized_tree=(build-asan -DCMAKE_CXX_COMPILER=clang++ -DMIVO_WERROR=ON -DMIVO_SANITIZE=ON
                -DMIVO_BUILD_BENCH=OFF -DMIVO_BUILD_TOOLS=OFF
                -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g1 -DNDEBUG")

sanitized_tests() {
    ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=0 \
    LSAN_OPTIONS=suppressions="$PWD/.ci/lsan.supp":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        suite build-asan
}

# The libFuzzer targets, configured on their own with clang.
fuzz_tree=(build-fuzz -DMIVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g1")

# Each libFuzzer target for a bounded time, all at once; a crash or a sanitizer
# report fails. Found inputs go to a scratch folder, never into the seeds.
fuzz() {
    local seconds=${MIVO_FUZZ_SECONDS:-60} names=(line_decoding framer request_encoding) pids=() failed=0 i
    rm -rf build-fuzz/found
    for i in "${!names[@]}"; do
        mkdir -p "build-fuzz/found/${names[$i]}"
        ./build-fuzz/fuzz/"fuzz_${names[$i]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="build-fuzz/found/${names[$i]}-" "build-fuzz/found/${names[$i]}" \
            "fuzz/corpus/${names[$i]}" > "build-fuzz/found/${names[$i]}.log" 2>&1 &
        pids+=($!)
    done
    for i in "${!names[@]}"; do
        if ! wait "${pids[$i]}"; then
            failed=1
            echo "fuzz_${names[$i]} failed:" >&2
            tail -n 40 "build-fuzz/found/${names[$i]}.log" >&2
        fi
    done
    return $failed
}

case "${1:-}" in
    start)
        install_missing "${start_packages[@]}"
        # Only what runs: the tests and benchmarks wait for ./dev.sh test.
        only=(mivo mivo_helper)
        build build
        exec ./build/mivo.app/Contents/MacOS/mivo
        ;;
    test)
        install_missing "${start_packages[@]}" "${test_packages[@]}"
        # The three trees compile at once: while one waits on a step that uses few
        # cores (configuring, moc, a precompiled header, the last links), the
        # others use the rest.
        trees=(build-test build-asan build-fuzz)
        build_logged "${normal_tree[@]}" & pids=($!)
        build_logged "${sanitized_tree[@]}" & pids+=($!)
        build_logged "${fuzz_tree[@]}" & pids+=($!)
        status=0 built=()
        for i in "${!trees[@]}"; do
            if wait "${pids[$i]}"; then built[$i]=1; else built[$i]=0; status=1; fi
            cat "${trees[$i]}/build.log"
        done
        # The fuzz targets run while the two suites do; neither keeps all cores busy.
        if [ "${built[2]}" = 1 ]; then
            fuzz > build-fuzz/run.log 2>&1 &
            fuzzing=$!
        fi
        if [ "${built[0]}" = 1 ]; then suite build-test || status=1; fi
        if [ "${built[1]}" = 1 ]; then sanitized_tests || status=1; fi
        if [ "${built[2]}" = 1 ]; then
            wait "$fuzzing" || status=1
            cat build-fuzz/run.log
        fi
        exit $status
        ;;
    sanitize)
        install_missing "${start_packages[@]}" "${test_packages[@]}"
        build "${sanitized_tree[@]}"
        sanitized_tests
        ;;
    *)
        echo "usage: $0 start|test|sanitize" >&2
        exit 2
        ;;
esac
