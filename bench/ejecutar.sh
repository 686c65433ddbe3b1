#!/bin/bash
# Runs every benchmark: the table and window micro-benchmarks at 10,000 and 100,000 rows, the
# alias reads, start-up, and loading N certificates against certutil's own listing of the same
# database.
# Usage: bench/ejecutar.sh [-b BUILD_DIR] [N ...]   (default: build/bench; 1000 5000 10000 100000)
# The NSS databases are made once and kept in $XDG_CACHE_HOME/marlevanta-bench (~/.cache/...):
# 100,000 certificates take minutes to make.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
if [ "${1:-}" = "-b" ]; then
    build=$2
    shift 2
fi
command -v hyperfine >/dev/null || { echo "hyperfine is needed: apt-get install hyperfine" >&2; exit 1; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARLEVANTA_BENCH=ON >/dev/null
cmake --build "$build" -j 1 --target bench_tabla bench_ventana cargar_almacen generar_nssdb \
    arranque ventana_vacia ventana_igual marlevanta_http marlevanta_nss >/dev/null
b=$build/bin
"$b/bench_tabla" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$b/bench_ventana" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A web API that accepts the connection and never answers: start-up must not wait for it.
python3 tests/servidor_api.py --modo mudo > "$tmp/puerto" &
servidor=$!
trap 'kill $servidor 2>/dev/null; rm -rf "$tmp"' EXIT
while ! grep -q PUERTO "$tmp/puerto"; do sleep 0.1; done
mudo="http://127.0.0.1:$(awk '/PUERTO/ {print $2}' "$tmp/puerto")"
# Three peers: the same controls built the plain way, a window with one line of text (what the
# fonts cost), and an empty window.
echo "== start-up to the first painted window (/demo, web API silent), against three peers"
XDG_CONFIG_HOME="$tmp/arranque" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
    hyperfine -N --warmup 3 --runs 20 -n "marlevanta /demo" "$b/arranque $mudo" \
    -n "same window, plain" "$b/ventana_igual" -n "one label" "$b/ventana_igual --etiqueta" \
    -n "empty window" "$b/ventana_vacia"
# The same on an X display with a window manager, where one is at hand.
if command -v Xvfb >/dev/null && command -v openbox >/dev/null; then
    pantalla=:$((90 + RANDOM % 100))
    Xvfb "$pantalla" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    gestor=
    trap 'kill $servidor $xvfb $gestor 2>/dev/null; rm -rf "$tmp"' EXIT
    while ! DISPLAY=$pantalla xdpyinfo >/dev/null 2>&1; do sleep 0.1; done
    DISPLAY=$pantalla openbox >/dev/null 2>&1 &
    gestor=$!
    # A window mapped while the manager is still taking over the screen may never be shown.
    for _ in $(seq 100); do
        DISPLAY=$pantalla xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" &&
            break
        sleep 0.1
    done
    echo "== the same under Xvfb with openbox"
    DISPLAY=$pantalla XDG_CONFIG_HOME="$tmp/arranque" QT_QPA_PLATFORM=xcb \
        hyperfine -N --warmup 3 --runs 20 -n "marlevanta /demo (X)" "$b/arranque $mudo" \
        -n "same window, plain (X)" "$b/ventana_igual" \
        -n "one label (X)" "$b/ventana_igual --etiqueta" -n "empty window (X)" "$b/ventana_vacia"
fi

# A database is kept under the generator's own hash, so a changed generator makes new ones.
cache=${XDG_CACHE_HOME:-$HOME/.cache}/marlevanta-bench
version=$(sha256sum bench/generar_nssdb.cpp | cut -c1-12)
BaseDeDatos() {
    local k=$1 db="$cache/nssdb-$version-$1"
    if [ ! -f "$db/cert9.db" ]; then
        local nueva="$db.haciendose.$$"
        rm -rf "$nueva"
        mkdir -p "$nueva"
        certutil -N -d "sql:$nueva" --empty-password
        echo "making $k certificates in $db (once)" >&2
        "$b/generar_nssdb" "$nueva" "$k" >/dev/null
        mv "$nueva" "$db"
    fi
    echo "$db"
}

for n in "${@:-1000 5000 10000 100000}"; do
    for k in $n; do
        db=$(BaseDeDatos "$k")
        export XDG_CONFIG_HOME="$tmp/config-$k"
        "$b/cargar_almacen" "$db" >/dev/null  # creates the settings and the alias key
        echo "== $k certificates"
        # certutil's listing grows faster than the store: past 7 minutes for one run at 100,000.
        # There it runs only when asked (MARLEVANTA_BENCH_CERTUTIL=1).
        if [ "$k" -lt 50000 ] || [ "${MARLEVANTA_BENCH_CERTUTIL:-0}" = 1 ]; then
            hyperfine -N --warmup 2 --runs 10 \
                -n "marlevanta load ($k)" "$b/cargar_almacen $db" \
                -n "certutil -L ($k)" "certutil -L -d sql:$db"
            /usr/bin/time -f "certutil -L ($k): max RSS %M KiB" certutil -L -d "sql:$db" >/dev/null
        else
            hyperfine -N --warmup 1 --runs 5 -n "marlevanta load ($k)" "$b/cargar_almacen $db"
        fi
        /usr/bin/time -f "marlevanta load ($k): max RSS %M KiB" "$b/cargar_almacen" "$db" >/dev/null
        # The window on that store until its grid first paints rows: what the user first sees.
        XDG_CONFIG_HOME="$tmp/primeras-$k" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
            hyperfine -N --warmup 2 --runs 10 -n "first rows on screen ($k)" \
            "$b/arranque --almacen $db $mudo" -n "empty window" "$b/ventana_vacia"
    done
done
