#!/usr/bin/env bash
# Checks the Debian package from outside, as a user receives it (run by .ci/run after
# ./build.sh package):
#
#   packaging/check.sh [PACKAGE]    default: the newest build/mirelta_*_amd64.deb
#
# The package is extracted into a temporary root, made read-only, and its programs run from
# there by a user with an empty home and from a folder without AA1.mdb (as "nobody" when run as
# root, so that read-only means read-only): cfcalc computes a code on the shipped database; the
# program makes the user's copy of it, and finds its banner plugin in its private library folder.
# Then the menu entry, the AppStream description and the whole package are validated; lintian
# fails the check on errors only, and shows its warnings.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
install_missing_packages lintian desktop-file-utils appstream

package=${1:-$(ls -t build/mirelta_*_amd64.deb 2>/dev/null | head -n 1)}
if [ ! -f "$package" ]; then
    echo "Nessun pacchetto da controllare: eseguire prima ./build.sh package." >&2
    exit 2
fi
echo "Controllo $package"

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
root=$work/root
home=$work/home
start=$work/start
trace=$work/loader.txt
dpkg-deb -x "$package" "$root"
runtime=$work/runtime
mkdir "$home" "$start" "$runtime"
chmod 700 "$runtime"
chmod -R a-w "$root" "$start"
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$home" "$runtime"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
    as_user=()
fi

# Starts a command from the folder without AA1.mdb, as the user with the empty home; more
# environment variables may follow.
run=(env -i -C "$start" PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8
    QT_QPA_PLATFORM=offscreen)

fail() {
    echo "ERRORE: $*" >&2
    exit 1
}

# Waits at most 30 seconds for a condition.
wait_for() {
    local _
    for _ in $(seq 150); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}

# cfcalc reads the shipped database, read-only.
code=$("${run[@]}" "${as_user[@]}" "$root/usr/bin/cfcalc" ROSSI MARIO 01/01/1974 M ROMA) ||
    fail "cfcalc non ha calcolato il codice"
[ "$code" = RSSMRA74A01H501W ] || fail "cfcalc ha scritto \"$code\" invece di RSSMRA74A01H501W"
echo "cfcalc: $code"

# Stops a program started in the background.
stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# The program, started for the first time, makes the user's copy of the shipped database (and
# then waits on its message); started again, it opens its main window with the banner plugin of
# its private library folder.
copy=$home/.local/share/Mirelta/AA1.mdb
"${run[@]}" "${as_user[@]}" "$root/usr/bin/mirelta" 2>/dev/null &
started=$!
wait_for test -f "$copy" || { stop "$started"; fail "il programma non ha creato $copy"; }
stop "$started"
cmp -s "$copy" "$root/usr/share/mirelta/AA1.mdb" || fail "$copy differisce dall'archivio fornito"
"${as_user[@]}" test -w "$copy" || fail "l'utente non può modificare $copy"
echo "mirelta: copia personale creata in $copy"

plugin_loaded() { grep -qs "calling init: $root/usr/lib/mirelta/libbanner.so" "$trace"; }
"${run[@]}" LD_DEBUG=files "${as_user[@]}" "$root/usr/bin/mirelta" 2>"$trace" &
started=$!
wait_for plugin_loaded || { stop "$started"; fail "il programma non ha caricato libbanner.so"; }
stop "$started"
echo "mirelta: controllo dei banner caricato da usr/lib/mirelta"

desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error "$package"
echo "Pacchetto verificato."
