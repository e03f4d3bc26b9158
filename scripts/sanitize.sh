#!/usr/bin/env bash
# Builds the host configuration under AddressSanitizer and UndefinedBehaviorSanitizer
# (preset asan, build/asan) and runs the whole host test suite once. Any report fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
# Leaks count: the platform keeps its state for the process's life in statics, which the
# leak checker sees as reachable, so only true leaks are reported.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
# The Wine scenarios run the Windows build, which no sanitizer sees: they are left out here.
ctest --preset asan -j "$jobs" -LE wine
