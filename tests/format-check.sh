#!/usr/bin/env bash
# Fails when a source file differs from the house format in .clang-format.
set -euo pipefail
clang_format=${1:-clang-format}
find core ui app tests bench -name '*.cpp' -o -name '*.h' | sort | xargs "$clang_format" --dry-run --Werror
