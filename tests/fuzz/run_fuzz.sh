#!/usr/bin/env bash
# Builds the script reader's fuzz target with clang's libFuzzer under the address and
# undefined-behaviour sanitizers, and runs it for a bounded time from the seed corpus.
# Usage: run_fuzz.sh SOURCE_DIR WORK_DIR [SECONDS]
# Exits 77 (reported as skipped) when clang++ or its fuzzer runtime is not installed.
set -euo pipefail
source_dir=$1
work_dir=$2
seconds=${3:-30}

compiler=${CLANG_CXX:-clang++}
if ! command -v "$compiler" >/dev/null; then
  echo "SKIPPED: $compiler is not installed (Debian packages clang and libclang-rt-14-dev)"
  exit 77
fi

mkdir -p "$work_dir/corpus"
binary=$work_dir/script_reader_fuzz
if ! "$compiler" -std=c++20 -g -O1 -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I "$source_dir/kit/include" -I "$source_dir/kit/src" \
    "$source_dir/tests/fuzz/script_reader_fuzz.cpp" "$source_dir/kit/src/script.cpp" \
    -o "$binary" 2>"$work_dir/build.log"; then
  if grep -q "libclang_rt.fuzzer" "$work_dir/build.log"; then
    echo "SKIPPED: clang's fuzzer runtime is missing (Debian package libclang-rt-14-dev)"
    exit 77
  fi
  cat "$work_dir/build.log"
  exit 1
fi

# The fuzzer reads the checked-in seeds and writes what it finds into its own corpus directory,
# leaving the source tree untouched; a crash leaves its input in the work directory.
cd "$work_dir"
exec "$binary" -max_total_time="$seconds" -max_len=2048 -timeout=10 -print_final_stats=1 \
  corpus "$source_dir/tests/fuzz/seeds"
