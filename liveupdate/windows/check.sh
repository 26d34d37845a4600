#!/usr/bin/env bash
# Checks the Windows build of CorvanLU with mingw-w64 and wine:
#   - the i686 CorvanLU.dll exports exactly CorvanLiveUpdateEx @1 and CorvanLiveUpdate @2, with
#     undecorated names, and carries its version resource;
#   - the library's tests, built for x86-64 Windows, pass under wine64 in a fresh prefix.
# Installs what is missing. BUILD_DIR (default: build-windows) selects the build folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/packages.sh

BUILD_DIR=${BUILD_DIR:-build-windows}
SOURCE_DIR=liveupdate/windows
PACKAGES=(cmake ninja-build binutils googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64)
TESTS=(test_liveupdate test_liveupdate_exports test_liveupdate_win32)

# build <arch> <extra cmake arguments...>
build() {
    local arch=$1
    shift
    cmake -S "$SOURCE_DIR" -B "$BUILD_DIR/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/$SOURCE_DIR/mingw-$arch.cmake" "$@" >/dev/null
    cmake --build "$BUILD_DIR/$arch" -j "$(nproc)"
}

# "ordinal name" for every export that has a name, by ordinal.
named_exports() {
    i686-w64-mingw32-objdump -p "$1" | awk '
        /Ordinal Base/ { base = $NF }
        /\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
        table && NF == 0 { table = 0 }
        table { gsub(/[][]/, ""); print $1 + base, $2 }' | sort -n
}

export_count() {
    i686-w64-mingw32-objdump -p "$1" | awk '/^Export Address Table -- Ordinal Base/ { table = 1; next }
        table && /Export RVA|Forwarder RVA/ { n++ } table && NF == 0 { table = 0 } END { print n + 0 }'
}

check_i686_dll() {
    local dll=$BUILD_DIR/i686/bin/CorvanLU.dll
    local expected=$'1 CorvanLiveUpdateEx\n2 CorvanLiveUpdate'
    local found
    found=$(named_exports "$dll")
    if [ "$found" != "$expected" ] || [ "$(export_count "$dll")" != 2 ]; then
        echo "Tabella delle esportazioni errata in $dll:" >&2
        i686-w64-mingw32-objdump -p "$dll" | sed -n '/^The Export Tables/,/^$/p;/Ordinal\/Name Pointer/,/^$/p' >&2
        return 1
    fi
    local text
    for text in "1.2.0.41" "Corvan Live Update"; do
        strings -e l "$dll" | grep -qx "$text" || { echo "Risorsa di versione senza \"$text\"" >&2; return 1; }
    done
    echo "CorvanLU.dll (i686): esportazioni ${found//$'\n'/, }"
}

wine_program() {
    command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || command -v wine
}

run_tests_under_wine() {
    local wine passed=0 failed=0 test output
    wine=$(wine_program)
    export WINEPREFIX="$PWD/$BUILD_DIR/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    rm -rf "$WINEPREFIX"
    for test in "${TESTS[@]}"; do
        output=$BUILD_DIR/$test.log
        if (cd "$BUILD_DIR/x86_64/bin" && "$wine" "./$test.exe") >"$output" 2>&1; then
            passed=$((passed + $(tr -d '\r' <"$output" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p')))
        else
            failed=$((failed + 1))
            cat "$output"
        fi
    done
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    echo "windows: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

install_missing_packages "${PACKAGES[@]}"
build i686 -DCORVANLU_TESTS=OFF
check_i686_dll
build x86_64
run_tests_under_wine
