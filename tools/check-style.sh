#!/usr/bin/env bash
# Style checks of CI: the formatting of every C++ file (clang-format, as .clang-format says), the
# order of the includes against the README's map (tools/check-layers.py) and a small set of
# clang-tidy checks that catch real faults, over the build's compile_commands.json.
#
#   tools/check-style.sh [BUILD_DIR]    (default: build, made by ./build.sh)
#
# Installs what is missing. Fails on the first file formatted otherwise, on an include against the
# map, or on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
install_missing_packages clang-format clang-tidy python3

BUILD_DIR=${1:-build}
TIDY_CHECKS='-*,bugprone-use-after-move,bugprone-dangling-handle,bugprone-string-constructor,
bugprone-suspicious-string-compare,bugprone-unused-return-value,bugprone-undelegated-constructor,
bugprone-move-forwarding-reference,misc-redundant-expression,
performance-unnecessary-copy-initialization,performance-move-const-arg,modernize-use-nullptr'

mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.c')
echo "Formattazione: ${#sources[@]} file"
clang-format --dry-run --Werror "${sources[@]}"

python3 tools/check-layers.py

# Our own translation units, without what moc generates and without the Windows-only ones.
mapfile -t units < <(git ls-files '*.cpp' | grep -v -E '(_win32|windows/)')
echo "clang-tidy: ${#units[@]} file"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' "${units[@]}" |
    xargs -P "$(nproc)" -n 4 clang-tidy -p "$BUILD_DIR" --quiet --warnings-as-errors='*' \
        --checks="${TIDY_CHECKS//$'\n'/}" --extra-arg=-Wno-unknown-warning-option >"$log" 2>&1 ||
    status=$?
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' \
    "$log" || true
exit "$status"
