#!/bin/bash
# Runs every benchmark: the table and alias micro-benchmarks, and loading N certificates
# against certutil's own listing of the same database.
# Usage: bench/ejecutar.sh [N ...]   (default: 1000 5000 10000)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v hyperfine >/dev/null || { echo "hyperfine is needed: apt-get install hyperfine" >&2; exit 1; }
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARLEVANTA_BENCH=ON \
    -DMARLEVANTA_TESTS=OFF >/dev/null
cmake --build build/bench >/dev/null
b=build/bench/bin
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
echo "== start-up to the first painted window (/demo, web API silent), against an empty window"
XDG_CONFIG_HOME="$tmp/arranque" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
    hyperfine -N --warmup 3 --runs 20 -n "marlevanta /demo" "$b/arranque $mudo" \
    -n "empty window" "$b/ventana_vacia"
for n in "${@:-1000 5000 10000}"; do
    for k in $n; do
        db="$tmp/nssdb-$k"
        mkdir -p "$db"
        certutil -N -d "sql:$db" --empty-password
        "$b/generar_nssdb" "$db" "$k" >/dev/null
        export XDG_CONFIG_HOME="$tmp/config-$k"
        "$b/cargar_almacen" "$db" >/dev/null  # creates the settings and the alias key
        echo "== $k certificates"
        hyperfine -N --warmup 2 --runs 10 \
            -n "marlevanta load ($k)" "$b/cargar_almacen $db" \
            -n "certutil -L ($k)" "certutil -L -d sql:$db"
        /usr/bin/time -f "marlevanta load ($k): max RSS %M KiB" "$b/cargar_almacen" "$db" >/dev/null
        /usr/bin/time -f "certutil -L ($k): max RSS %M KiB" certutil -L -d "sql:$db" >/dev/null
    done
done
