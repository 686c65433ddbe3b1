#!/bin/bash
# Builds the libFuzzer harnesses with clang (in build/fuzz, every library instrumented) and runs
# each for a bounded time from its seed corpus in fuzz/corpus/<name>; what a run finds is kept in
# build/fuzz/hallazgos. Exits non-zero on any crash, hang or leak.
#   bash fuzz/ejecutar.sh [seconds for each harness, 60 by default]
set -euo pipefail
cd "$(dirname "$0")/.."
segundos=${1:-60}
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DMARLEVANTA_FUZZ=ON -DMARLEVANTA_TESTS=OFF -DMARLEVANTA_WERROR=ON \
    >/dev/null
nombres=(filtro api regla paquete)
cmake --build build/fuzz -j2 --target "${nombres[@]/#/fuzz_}"
mkdir -p build/fuzz/hallazgos
export QT_QPA_PLATFORM=offscreen
# The harnesses' scratch folders, removed at the end.
export TMPDIR="$PWD/build/fuzz/tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
fallos=0
for n in "${nombres[@]}"; do
    mkdir -p "build/fuzz/corpus/$n"
    registro="build/fuzz/$n.log"
    set +e
    "build/fuzz/bin/fuzz_$n" -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build/fuzz/hallazgos/$n-" \
        "build/fuzz/corpus/$n" "fuzz/corpus/$n" >"$registro" 2>&1
    codigo=$?
    set -e
    ejecuciones=$(sed -n 's/^stat::number_of_executed_units: *//p' "$registro")
    casos=$(ls "build/fuzz/corpus/$n" | wc -l)
    echo "$n: ${ejecuciones:-?} ejecuciones en ${segundos} s, corpus de $casos casos, salida $codigo"
    if [ "$codigo" -ne 0 ]; then
        fallos=$((fallos + 1))
        grep -E "^(==[0-9]+==|SUMMARY|ALARM|.*deadly signal)" "$registro" | head -20
    fi
done
rm -rf "$TMPDIR"
echo "hallazgos: $(ls build/fuzz/hallazgos | wc -l)"
exit "$fallos"
