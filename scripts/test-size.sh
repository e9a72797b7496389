#!/usr/bin/env bash
# The size of the tests against the code they test: non-blank lines of the code files git tracks
# (.cpp .h .sh .py .cmake CMakeLists.txt; data such as replays, corpora and pictures not counted)
# under tests/, against src/ and tools/. We keep the ratio at 0.35 or below.
set -eu
cd "$(dirname "$0")/.."
count() {
    git ls-files -- "$@" | grep -E '(\.(cpp|h|sh|py|cmake)|(^|/)CMakeLists\.txt)$' |
        xargs -r cat | grep -cv '^[[:space:]]*$'
}
tests=$(count tests)
code=$(count src tools)
awk -v t="$tests" -v c="$code" 'BEGIN {
    printf "test size: tests/ %d lines, src/ + tools/ %d lines, ratio %.2f (at most 0.35)\n", t, c, t / c
    exit (t / c > 0.35)
}'
