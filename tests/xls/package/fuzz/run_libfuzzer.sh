#!/bin/sh
# Builds the tokenizer's libFuzzer target with clang and runs it: run_libfuzzer.sh [runs]
set -e
root=$(cd "$(dirname "$0")/../../../.." && pwd)
out=${TMPDIR:-/tmp}/xpgreadxml_libfuzzer
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$root" \
  "$root/tests/xls/package/fuzz/xpgreadxml_libfuzzer.cpp" "$root/xls/package/xpgreadxml.cpp" \
  "$root/xls/package/xlsstream.cpp" "$root/platform/textcodec.cpp" -o "$out"
"$out" -runs="${1:-1000000}" -max_len=4096
