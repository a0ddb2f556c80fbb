#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds mivo.
#   ./dev.sh start     build the application and the stand-in helper (nothing else) and start it
#   ./dev.sh test      build everything, with GCC and once more with clang under the sanitizers,
#                      and run every test in both while every fuzz target runs for a minute
#   ./dev.sh sanitize  only the suite under the sanitizers
set -euo pipefail
cd "$(dirname "$0")"
launcher=()

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
# With `shared` set (share_job_slots), the tree shares the machine with others
# built at once, and its compilers run at a lower priority than the test suites
# that run meanwhile.
build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" || return
    # Sources are globbed; make automoc rescan so a new Q_OBJECT header is never missed.
    find "$dir" -path '*_autogen/timestamp' -delete || return
    local targets=() nice=()
    [ -n "${only+set}" ] && targets=(--target "${only[@]}")
    if [ -n "${shared+set}" ]; then
        # What each job waited for its slot, apart from ninja's log (tools/job-slot).
        rm -f "$dir/job-waits.log"
        nice=(env MIVO_JOB_WAITS="$PWD/$dir/job-waits.log" nice -n 10)
    fi
    "${nice[@]}" cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}

# Lets trees built at once share the machine: every compile and link of theirs
# first takes one of as many job slots as there are cores (tools/job-slot).
share_job_slots() {
    local slots
    slots=$(mktemp -u "${TMPDIR:-/tmp}/mivo-job-slots.XXXXXX")
    mkfifo "$slots" || return
    exec 8<> "$slots"
    rm -f "$slots"
    export MIVO_JOB_SLOTS="/proc/$$/fd/8"
    printf '%*s' "$(nproc)" '' | tr ' ' '+' >&8
    shared=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER="$PWD/tools/job-slot" -DCMAKE_CXX_LINKER_LAUNCHER="$PWD/tools/job-slot")
}

# A build whose output waits in <dir>/build.log until the caller shows it.
build_logged() {
    mkdir -p "$1" || return
    build "$@" > "$1/build.log" 2>&1
}

# Runs the tests of a tree, all of them or those matching the pattern `$2`.
suite() {
    local filter=()
    [ -n "${2:-}" ] && filter=(-R "$2")
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure --no-tests=error --parallel "$(nproc)" \
        "${filter[@]}"
}

# The tree CI builds first: GCC, optimised, every warning an error.
normal_tree=(build-test -DMIVO_WERROR=ON -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG")

# The whole suite once more under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer: any report fails its test. Built with clang, whose
# instrumented code compiles in well under half of GCC's time.
sanitized_tree=(build-asan -DCMAKE_CXX_COMPILER=clang++ -DMIVO_WERROR=ON -DMIVO_SANITIZE=ON
                -DMIVO_BUILD_BENCH=OFF -DMIVO_BUILD_TOOLS=OFF -DMIVO_TEST_COMPILE_OPTIONS=-O0
                -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g1 -DNDEBUG")

normal_tests() {
    suite build-test
}

sanitized_tests() {
    ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=0 \
    LSAN_OPTIONS=suppressions="$PWD/.ci/lsan.supp":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        suite build-asan
}

# The helper link's tests once more under ThreadSanitizer: the transport's, the
# application model's and the worker pool's, in a tree of their own. Built with
# GCC, whose runtime copes with the children QProcess starts. Any report fails
# its test. Qt is not instrumented, so the runtime is told to judge only our own
# code (ignore_noninstrumented_modules): the races it would otherwise report lie
# inside Qt, between Qt's own threads (QtTest's watchdog), behind locks it
# cannot see.
thread_tree=(build-tsan -DCMAKE_CXX_COMPILER=g++ -DMIVO_WERROR=ON -DMIVO_SANITIZE_THREAD=ON
             -DMIVO_BUILD_BENCH=OFF -DMIVO_BUILD_TOOLS=OFF
             -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g1 -DNDEBUG")
thread_test_pattern='^(Base/tst_workerthread|Transport/.*|App/tst_appmodel|App/tst_appmodelhelper)$'

thread_targets() {
    local f folder name
    echo mivo_helper Base_tst_workerthread App_tst_appmodel App_tst_appmodelhelper
    for f in tests/Transport/tst_*.cpp; do
        folder=$(basename "$(dirname "$f")") name=$(basename "$f" .cpp)
        echo "${folder}_${name}"
    done
}

thread_tests() {
    TSAN_OPTIONS=ignore_noninstrumented_modules=1:second_deadlock_stack=1 suite build-tsan "$thread_test_pattern"
}

# The libFuzzer targets, configured on their own with clang.
fuzz_tree=(build-fuzz -DMIVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g1")

# Each libFuzzer target for a bounded time, all at once; a crash or a sanitizer
# report fails. Found inputs go to a scratch folder, never into the seeds. They
# run at a low priority: the compilers and the suites still running meanwhile
# come first, and each target runs its minute all the same.
fuzz() {
    local seconds=${MIVO_FUZZ_SECONDS:-60} names=(line_decoding framer request_encoding) pids=() failed=0 i
    rm -rf build-fuzz/found
    for i in "${!names[@]}"; do
        mkdir -p "build-fuzz/found/${names[$i]}"
        nice -n 19 ./build-fuzz/fuzz/"fuzz_${names[$i]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
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

# One tree of `./dev.sh test`: builds it, then runs what it is for at once,
# while the other trees still compile. Its output waits in <dir>/build.log and
# <dir>/run.log.
tree_then() {
    local run=$1; shift
    local dir=$1
    rm -f "$dir/run.log"
    build_logged "$@" || return 2
    "$run" > "$dir/run.log" 2>&1
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
        # The four trees compile at once and share the cores; each runs its
        # tests (or its fuzz targets) as soon as it is built. The suites wait
        # mostly on the helper and on timers, so they cost the compilers little.
        share_job_slots
        trees=(build-test build-asan build-tsan build-fuzz)
        tree_then normal_tests "${normal_tree[@]}" & pids=($!)
        tree_then sanitized_tests "${sanitized_tree[@]}" & pids+=($!)
        (
            read -r -a only <<< "$(thread_targets | tr '\n' ' ')"
            tree_then thread_tests "${thread_tree[@]}"
        ) & pids+=($!)
        tree_then fuzz "${fuzz_tree[@]}" & pids+=($!)
        status=0
        for i in "${!trees[@]}"; do
            wait "${pids[$i]}" || status=1
            cat "${trees[$i]}/build.log"
            [ -f "${trees[$i]}/run.log" ] && cat "${trees[$i]}/run.log"
        done
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
