#!/usr/bin/env bash
# Builds Mirelta on Debian and then starts it or runs every test.
#
#   ./build.sh run    install what is missing, build, start the program on the shipped AA1.mdb
#   ./build.sh test   install what is missing, build, run every test
#   ./build.sh package  install what is missing, build, write the Debian package
#                       build/mirelta_<version>_amd64.deb (checked by packaging/check.sh)
#
# BUILD_DIR (default: build) and SANITIZE=1 (AddressSanitizer + UBSan) select other builds.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

BUILD_DIR=${BUILD_DIR:-build}
SANITIZE=${SANITIZE:-0}
RUN_DIR="$BUILD_DIR/run"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n libgl-dev
    libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev # the libFuzzer targets, run briefly by the tests
    xvfb xauth
)
# CPack's Debian packages: dpkg-shlibdeps (dpkg-dev) computes the dependencies, with 'file'.
PACKAGE_TOOLS=(dpkg-dev file)

build() {
    local sanitize=OFF build_type=Release
    if [ "$SANITIZE" = 1 ]; then sanitize=ON; build_type=RelWithDebInfo; fi
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
        -DMIRELTA_SANITIZE="$sanitize" -DMIRELTA_WERROR=ON -DBUILD_TESTING=ON \
        -DMIRELTA_BENCHMARKS=ON >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# The program works on AA1.mdb in its working folder. The shipped database is copied there once;
# a copy that already exists holds the user's changes and is kept.
prepare_run_folder() {
    mkdir -p "$RUN_DIR"
    if [ ! -e "$RUN_DIR/AA1.mdb" ]; then
        cp "$BUILD_DIR/storage/AA1.mdb" "$RUN_DIR/AA1.mdb"
    else
        echo "Uso l'archivio esistente $RUN_DIR/AA1.mdb (cancellarlo per ripartire dai dati forniti)."
    fi
}

run_program() {
    prepare_run_folder
    local program
    program="$(cd "$BUILD_DIR" && pwd)/bin/Mirelta"
    cd "$RUN_DIR"
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "Nessuno schermo disponibile: avvio su uno schermo virtuale (xvfb-run)."
        exec xvfb-run -a "$program"
    fi
    exec "$program"
}

run_tests() {
    if [ "$SANITIZE" = 1 ]; then
        export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
        export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    fi
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
}

make_package() {
    cpack --config "$BUILD_DIR/CPackConfig.cmake"
}

case "${1:-}" in
run)
    install_missing_packages "${PACKAGES[@]}"
    build
    run_program
    ;;
test)
    install_missing_packages "${PACKAGES[@]}"
    build
    run_tests
    ;;
package)
    install_missing_packages "${PACKAGES[@]}" "${PACKAGE_TOOLS[@]}"
    build
    make_package
    ;;
*)
    echo "Uso: $0 run|test|package" >&2
    exit 2
    ;;
esac
