#!/usr/bin/env bash
# Configures and builds both architectures: i686 (the shipped 32-bit
# programs) and x86_64 (the build the tests run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
for arch in i686 x86_64; do
  [ -f "build/$arch/CMakeCache.txt" ] || cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" -j "$jobs"
done
