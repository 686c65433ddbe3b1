#!/bin/bash
# The Debian package, end to end: built from a clean build with the documented command,
# installed with apt, used as a normal user on a virtual display, checked file by file, and
# removed again, leaving nothing of it behind. It installs and removes a package, so it needs
# root; as anyone else it says so and does nothing.
# A build of the program with self-update on, in build/release-pruebas (as .ci/run makes it) or
# build/release (as tools/demo does), serves as the
# control of the self-update check: the same check must tell the two builds apart.
# No pipefail: "producer | grep -q" would fail whenever grep stops reading early.
set -u
cd "$(dirname "$0")/.."
raiz=$PWD

if [ "$(id -u)" -ne 0 ]; then
    echo "tests/paquete.sh: skipped: it installs and removes the package, which needs root"
    exit 0
fi
if dpkg-query -W -f='${Status}' marlevanta 2>/dev/null | grep -q "ok installed"; then
    echo "tests/paquete.sh: marlevanta is already installed here; this test would remove it." >&2
    echo "Remove it first (apt-get remove marlevanta) or run the test elsewhere." >&2
    exit 1
fi

fallos=0
ok() { echo "ok: $*"; }
mal() {
    echo "FAIL: $*" >&2
    fallos=$((fallos + 1))
}
comprobar() {  # comprobar "what" command...
    local que=$1
    shift
    if "$@"; then ok "$que"; else mal "$que"; fi
}

trabajo=$(mktemp -d)
chmod 755 "$trabajo"
instalado=0
pids=()      # the programs under test
fondo=()     # the display, its window manager, the test web API
terminar() {  # terminar [pids...]: the programs under test, or those named
    local p lista=("${@:-${pids[@]}}")
    for p in "${lista[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${lista[@]}"; do wait "$p" 2>/dev/null; done
    [ $# -gt 0 ] || pids=()
}
# A policy file as earlier versions left it: a user's own, holding what that user put in it, in a
# folder whose every file Chromium obeys for all users. /etc is left as it was found.
politicas=/etc/chromium/policies/managed
antigua=$politicas/marlevanta-65534.json
creadas=()
for c in /etc/chromium /etc/chromium/policies "$politicas"; do
    [ -d "$c" ] || { mkdir "$c" && creadas=("$c" "${creadas[@]}"); }
done
limpiar() {
    terminar
    [ ${#fondo[@]} -eq 0 ] || terminar "${fondo[@]}"
    if [ "$instalado" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -q marlevanta >/dev/null 2>&1
    fi
    rm -f "$antigua"
    for c in "${creadas[@]}"; do rmdir "$c" 2>/dev/null; done
    rm -rf "$trabajo"
}
trap limpiar EXIT

# --- Built from clean with the command README gives --------------------------------------------
rm -rf build/deb marlevanta_*.deb
if ! bash tools/construir-deb >"$trabajo/construir.log" 2>&1; then
    cat "$trabajo/construir.log" >&2
    mal "tools/construir-deb builds the package"
    exit 1
fi
deb=marlevanta_1.0.4_amd64.deb
comprobar "the package is $deb" test -f "$deb"

depende=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6widgets6 libqt6webenginewidgets6 libqt6webenginecore6-bin \
    libnss3 libsqlite3-0 libcurl4 libzip4 ca-certificates; do
    comprobar "it depends on $p" grep -qE "(^|, )$p( |,|$)" <<<"$depende"
done
sin_dev() { ! grep -q -- '-dev' <<<"$depende"; }
comprobar "it depends on no development package" sin_dev
todo_de_root() { [ -z "$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')" ]; }
comprobar "every file in it belongs to root" todo_de_root

# --- Installed with apt ------------------------------------------------------------------------
printf '{"DefaultJavaScriptSetting": 2}\n' >"$antigua"
chown nobody: "$antigua"
if DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "./$deb" \
    >"$trabajo/apt.log" 2>&1; then
    instalado=1
    ok "apt-get install ./$deb"
else
    cat "$trabajo/apt.log" >&2
    mal "apt-get install ./$deb"
    exit 1
fi
dpkg -L marlevanta >"$trabajo/archivos"
recuperada() {
    [ "$(stat -c '%U %a' "$antigua")" = "root 644" ] && [ "$(cat "$antigua")" = "{}" ] &&
        ! runuser -u nobody -- sh -c ": > '$antigua'" 2>/dev/null
}
comprobar "the installation takes back the policy file an earlier version gave a user" recuperada
ayudantes=/usr/libexec/marlevanta

# --- The command line, with no display ---------------------------------------------------------
sin_pantalla=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
comprobar "marlevanta is on PATH as /usr/bin/marlevanta" \
    test "$(command -v marlevanta)" = /usr/bin/marlevanta
comprobar "marlevanta --version" test "$("${sin_pantalla[@]}" marlevanta --version)" = "marlevanta 1.0.4"
ayuda() {
    local a
    a=$("${sin_pantalla[@]}" marlevanta --help) &&
        grep -q '^Uso: marlevanta \[opciones\] \[/demo\]$' <<<"$a" && grep -q '^  /demo ' <<<"$a"
}
comprobar "marlevanta --help, in Spanish, names /demo" ayuda
ayuda_pqrvr() { "$ayudantes/pqrvr" --help | grep -q 'Programa de permisos de Marlevanta'; }
comprobar "pqrvr --help says what it is" ayuda_pqrvr
comprobar "man finds marlevanta(1)" test "$(man -w marlevanta)" = /usr/share/man/man1/marlevanta.1.gz
manual_limpio() { [ -z "$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 marlevanta 2>&1 >/dev/null)" ]; }
comprobar "the manual page reads without warnings" manual_limpio
manual_ayudantes() { zcat /usr/share/man/man1/marlevanta.1.gz | grep -q "$ayudantes/pqrvr"; }
comprobar "the manual names the installed helpers' folder" manual_ayudantes

# --- Desktop entry, icons, metainfo, polkit action ---------------------------------------------
escritorio=/usr/share/applications/es.velquorin.marlevanta.desktop
# It answers 0 for hints and warnings too: any line it writes is a finding.
escritorio_limpio() { [ -z "$(desktop-file-validate "$escritorio" 2>&1)" ]; }
comprobar "desktop-file-validate finds nothing" escritorio_limpio
comprobar "the menu entry starts marlevanta" grep -qx "Exec=marlevanta" "$escritorio"
icono=$(sed -n 's/^Icon=//p' "$escritorio")
for lado in 16 22 24 32 48 64 128 256; do
    comprobar "icon $icono ${lado}x$lado in hicolor" \
        test -f "/usr/share/icons/hicolor/${lado}x$lado/apps/$icono.png"
done
comprobar "scalable icon $icono in hicolor" test -f "/usr/share/icons/hicolor/scalable/apps/$icono.svg"
comprobar "appstreamcli validate" \
    appstreamcli validate --no-net --pedantic /usr/share/metainfo/es.velquorin.marlevanta.metainfo.xml
politica=/usr/share/polkit-1/actions/es.velquorin.marlevanta.policy
comprobar "xmllint validates the polkit action against polkit's DTD" \
    xmllint --noout --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$politica"
ruta=$(xmllint --xpath \
    'string(//annotate[@key="org.freedesktop.policykit.exec.path"])' "$politica")
comprobar "the polkit action names the installed pqrvr ($ruta)" test "$ruta" = "$ayudantes/pqrvr"
comprobar "the polkit action keeps the administrator's authorisation a while" \
    grep -q "<allow_active>auth_admin_keep</allow_active>" "$politica"

# --- Owners and modes --------------------------------------------------------------------------
modo() { stat -c '%U:%G %a' "$1"; }
for f in /usr/bin/marlevanta "$ayudantes/pqrvr" "$ayudantes/tqUpd.exe"; do
    comprobar "$f is root:root 755" test "$(modo "$f")" = "root:root 755"
done
for f in "$ayudantes/tqUnz.dll" "$ayudantes"/libmarlevanta_{ayuda,http,nss}.so; do
    comprobar "$f is root:root 644" test "$(modo "$f")" = "root:root 644"
done
comprobar "$ayudantes is root:root 755" test "$(modo "$ayudantes")" = "root:root 755"
escribibles=()
while read -r f; do
    [ -L "$f" ] && continue
    [ "$(stat -c %U "$f")" = root ] && [ $((0$(stat -c %a "$f") & 022)) -eq 0 ] || escribibles+=("$f")
done <"$trabajo/archivos"
comprobar "nothing of the package is writable by others or owned by anyone but root \
(${escribibles[*]:-})" test ${#escribibles[@]} -eq 0

# --- The installed program on a screen, as a normal user ---------------------------------------
nadie=(setpriv --reuid=65534 --regid=65534 --clear-groups)
casa=$trabajo/casa
mkdir -p "$casa"
chown 65534:65534 "$casa"
# The store is read through the NSS module, loaded from where the package put it: without it, or
# with one that does not load, the list ends with an error.
comprobar "the installed program reads the store through its module, as a normal user" \
    "${nadie[@]}" env HOME="$casa" /usr/bin/marlevanta --caducan 30
# esperar SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; after SECONDS it gives up and
# says what did not come.
esperar() {
    local segundos=$1 limite=$((SECONDS + $1)) que=$2
    shift 2
    until "$@"; do
        if [ "$SECONDS" -ge "$limite" ]; then
            echo "tests/paquete.sh: no sign in $segundos s of $que" >&2
            return 1
        fi
        sleep 0.1
    done
}
# A display of this test's own, open to the unprivileged user the program runs as. Xvfb takes a
# free number and writes it once it accepts clients; without -noreset it would start over, and
# turn clients away meanwhile, whenever its last client leaves.
Xvfb -displayfd 3 -noreset -screen 0 1280x900x24 -nolisten tcp -ac 3>"$trabajo/pantalla" \
    2>"$trabajo/xvfb.log" &
fondo+=($!)
numero_dado() { grep -qx '[0-9][0-9]*' "$trabajo/pantalla" 2>/dev/null; }
if ! esperar 30 "Xvfb's display number" numero_dado; then
    cat "$trabajo/xvfb.log" >&2
    mal "Xvfb starts"
    exit 1
fi
export DISPLAY=:$(cat "$trabajo/pantalla")
openbox >"$trabajo/openbox.log" 2>&1 &
fondo+=($!)
# The desktops are among the first things openbox announces on the root window, once it manages
# it: from then on it places and activates every window that maps.
gestionada() { xdotool get_num_desktops >/dev/null 2>&1; }
if ! esperar 30 "openbox managing the display" gestionada; then
    cat "$trabajo/openbox.log" >&2
    mal "openbox starts"
    exit 1
fi

# Starts a program as the unprivileged user; its pid in $programa.
arrancar() {
    "${nadie[@]}" env -i HOME="$casa" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@" \
        >>"$trabajo/programa.log" 2>&1 &
    programa=$!
    pids+=("$programa")
}
# The main window of process $1, "id<TAB>title": found and its title read in one step, so that a
# window that goes away meanwhile is looked for again rather than read in vain.
principal() {
    local w t
    for w in $(xdotool search --all --onlyvisible --pid "$1" --class marlevanta 2>/dev/null); do
        t=$(xdotool getwindowname "$w" 2>/dev/null) || continue
        if [[ $t == "Marlevanta - "* ]]; then
            printf '%s\t%s\n' "$w" "$t"
            return 0
        fi
    done
    return 1
}
# Whether process $1 shows a window titled exactly $2.
muestra() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$1" --name . 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$2" ] && return 0
    done
    return 1
}

arrancar marlevanta /demo
if linea=$(esperar 60 "the installed program's main window" principal "$programa"); then
    ventana=${linea%%$'\t'*}
    titulo=${linea#*$'\t'}
    ok "the installed program shows its main window"
    titulo_bueno() { [[ $titulo == "Marlevanta - Buscador de certificados SSL (Versión 1.0.4 - "* ]]; }
    comprobar "its title ($titulo)" titulo_bueno
    clase() { xprop -id "$ventana" WM_CLASS | grep -q '"marlevanta"$'; }
    comprobar "its window class is the menu entry's StartupWMClass" clase
    comprobar "the menu entry names that class" grep -qx "StartupWMClass=marlevanta" "$escritorio"
    con_icono() { xprop -id "$ventana" _NET_WM_ICON | grep -q 'Icon (48 x 48)'; }
    comprobar "its window has an icon" con_icono
    # The picture once the screen stands still, two captures in a row alike: the window fills in
    # after it shows. (The PNG's time stamps would tell any two apart.)
    quieta() {
        import -window root -define png:exclude-chunks=date,time "$trabajo/captura.png" \
            2>/dev/null || return 1
        cmp -s "$trabajo/captura.png" "$trabajo/anterior.png" && return 0
        mv "$trabajo/captura.png" "$trabajo/anterior.png"
        return 1
    }
    if esperar 30 "a still screen for the picture" quieta; then
        cp "$trabajo/captura.png" "$raiz/build/deb/ventana-instalada.png"
    else
        echo "note: build/deb/ventana-instalada.png is the last of captures that kept changing"
        cp "$trabajo/anterior.png" "$raiz/build/deb/ventana-instalada.png" 2>/dev/null
    fi
else
    mal "the installed program shows its main window"
    cat "$trabajo/programa.log" >&2
fi
terminar

# --- No self-update in the package -------------------------------------------------------------
# The package's program, in a folder of its own that the user may write, with its helpers beside
# it (where self-update would otherwise be allowed), over a web API that offers 1.0.5. The user
# wants updates offered at start-up (the default): only the package's build option keeps the
# question away. The control build, with self-update, asks.
python3 tests/servidor_api.py --respuesta /version 10005 --registro "$trabajo/registro.txt" \
    >"$trabajo/servidor" 2>&1 &
fondo+=($!)
escucha() { grep -q '^PUERTO [0-9]' "$trabajo/servidor"; }
if ! esperar 30 "the test web API listening" escucha; then
    cat "$trabajo/servidor" >&2
    mal "the test web API starts"
    exit 1
fi
puerto=$(sed -n 's/^PUERTO //p' "$trabajo/servidor")
api=http://127.0.0.1:$puerto
copia() {  # copia folder program-and-helpers...
    mkdir -p "$1"
    cp "${@:2}" "$1/"
    chown -R 65534:65534 "$1"
}
copia "$trabajo/paquete" /usr/bin/marlevanta "$ayudantes"/*
ajustes=$casa/.config/Velquorin/marlevanta/registry.db
preguntada() { grep -q "^/version/" "$trabajo/registro.txt"; }
# No connection to the test web API is open any more: the program has read its answer whole.
respondida() {
    ! awk -v p=":$(printf '%04X' "$puerto")" \
        'NR > 1 && substr($3, length($3) - 4) == p && $4 == "01"' /proc/net/tcp | grep -q .
}
# "Acerca de" from F9, or the update's question, which takes the key when it is up first.
respuesta_vista() { muestra "$programa" "Acerca de" || muestra "$programa" Confirmar; }
activa_suya() {
    xdotool search --pid "$programa" 2>/dev/null | grep -qx "$(xdotool getactivewindow 2>/dev/null)"
}
preguntas() {  # a run of $1 against the web API: whether it asked about the update, in $pregunta
    local linea
    pregunta="unknown: it did not get that far"
    arrancar "$1" /demo
    # The settings exist once the window is up: point the web API to the test server and run it
    # again, now that the check will find 1.0.5.
    esperar 60 "the main window of $1" principal "$programa" >/dev/null
    terminar
    "${nadie[@]}" sqlite3 "$ajustes" \
        "UPDATE valores SET datos = '$api' WHERE lower(nombre) = 'apihost';"
    : >"$trabajo/registro.txt"
    arrancar "$1" /demo
    # The program deals with the web API's answer before a key pressed after the answer came:
    # F9 then opens "Acerca de" over the main window, unless the update's question is already up
    # and takes the key. Once either shows, whether it asked is known.
    if linea=$(esperar 60 "the main window of $1" principal "$programa") &&
        esperar 30 "$1 asking the web API for the version" preguntada &&
        esperar 30 "the web API's answer reaching $1" respondida &&
        xdotool windowactivate "${linea%%$'\t'*}" 2>/dev/null &&
        esperar 10 "a window of $1 active" activa_suya &&
        xdotool key F9 &&
        esperar 30 "\"Acerca de\" or the update's question from $1" respuesta_vista; then
        if muestra "$programa" Confirmar; then pregunta=yes; else pregunta=no; fi
    fi
    terminar
}
preguntas "$trabajo/paquete/marlevanta"
comprobar "the package's program asked the web API for the version" \
    grep -q "^/version/" "$trabajo/registro.txt"
comprobar "the package's program offers no update (asked: $pregunta)" test "$pregunta" = no
sin_descarga() { ! grep -q updatefile "$trabajo/registro.txt"; }
comprobar "nor downloads one" sin_descarga
control=build/release-pruebas/bin
[ -x "$control/marlevanta" ] || control=build/release/bin
if [ -x "$control/marlevanta" ]; then
    copia "$trabajo/control" "$control"/{marlevanta,pqrvr,tqUpd.exe,tqUnz.dll,libmarlevanta_ayuda.so,libmarlevanta_http.so,libmarlevanta_nss.so}
    preguntas "$trabajo/control/marlevanta"
    comprobar "the control build with self-update asks at start-up (asked: $pregunta)" \
        test "$pregunta" = yes
else
    echo "note: no release build, so the self-update check runs without its control"
fi
terminar "${fondo[@]}"
fondo=()

# --- Removed, and nothing of it left -----------------------------------------------------------
if DEBIAN_FRONTEND=noninteractive apt-get purge -y -q marlevanta >"$trabajo/apt.log" 2>&1; then
    instalado=0
    ok "apt-get purge marlevanta"
else
    cat "$trabajo/apt.log" >&2
    mal "apt-get purge marlevanta"
fi
no_instalado() { ! dpkg-query -W -f='${Status}' marlevanta 2>/dev/null | grep -q 'ok installed'; }
comprobar "dpkg no longer knows the package" no_instalado
restos=()
while read -r f; do
    # What remains must be a folder another package owns too (/usr/share/applications...).
    if [ -e "$f" ] && ! dpkg -S "$f" >/dev/null 2>&1; then restos+=("$f"); fi
done <"$trabajo/archivos"
comprobar "nothing of the package is left (${restos[*]:-})" test ${#restos[@]} -eq 0
comprobar "$ayudantes is gone" test ! -e "$ayudantes"
comprobar "no policy file of the program is left" test ! -e "$antigua"

if [ "$fallos" -ne 0 ]; then
    echo "tests/paquete.sh: $fallos checks failed" >&2
    exit 1
fi
echo "tests/paquete.sh: every check passed"
