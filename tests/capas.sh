#!/bin/bash
# Every layer compiles only against its own folder and those below it: a file that includes a
# header of a layer above must fail to compile. Checked with a probe file in each layer.
set -u
fuente=$1 cxx=$2 build=$3
capas=$build/capas
fallos=0
probar() {  # layer folder, include folders it sees, header it must not reach
    local carpeta=$1 incluye=$2 prohibido=$3
    local sonda
    sonda=$(mktemp "$fuente/$carpeta/.sonda_XXXXXX.cpp")
    printf '#include "%s"\n' "$prohibido" > "$sonda"
    # Only "no such file" for that very header counts: any other error means it was found.
    if ! "$cxx" -std=c++20 -fsyntax-only $incluye "$sonda" 2>&1 |
        grep -q "$prohibido: No such file"; then
        echo "$carpeta/ reaches $prohibido"
        fallos=1
    fi
    rm -f "$sonda"
}
probar core "-I$capas/core" ui/u_frmMenu.h
probar core "-I$capas/core" platform/u_sistema.h
probar platform "-I$capas/platform -I$capas/core" ui/u_frmMenu.h
probar ui "-I$capas/ui -I$capas/core" platform/u_sistema.h
# What each layer sees is what its CMake target gives it: the probes must match the build.
for objetivo in core platform ui; do
    grep -q "capas/$objetivo" "$build/compile_commands.json" || { echo "no $objetivo layer"; fallos=1; }
done
if grep -rlE '#include <Qt(Gui|Widgets)|#include <Q(Widget|Dialog|Application|Pixmap|Painter|Screen|Font|Color)>' "$fuente/core" "$fuente/platform"; then
    echo "core/platform use Gui or Widgets"
    fallos=1
fi
exit $fallos
