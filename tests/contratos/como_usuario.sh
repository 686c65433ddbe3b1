#!/bin/sh
# Runs a contract program as an ordinary user, as the program itself is run: root (CI) hands it
# to "nobody" with a HOME and a temporary folder of its own and readable copies of the program
# and the test data, so that the checkout may be anywhere, even where only root may enter;
# anyone else runs it as themselves.
# Usage: como_usuario.sh DATA_DIR PROGRAM [ARGUMENTS...]
set -eu
datos=$1
shift
if [ "$(id -u)" != 0 ] || ! command -v setpriv >/dev/null; then
    exec "$@"
fi
d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
mkdir "$d/home" "$d/tmp" "$d/datos" "$d/bin"
cp -r "$datos"/. "$d/datos"
programa="$d/bin/$(basename "$1")"
cp "$1" "$programa"
# The modules the program loads from its own folder go with it.
for modulo in "$(dirname "$1")"/libmarlevanta_*.so; do
    [ -e "$modulo" ] && cp "$modulo" "$d/bin/"
done
shift
chmod -R a+rX "$d/datos" "$d/bin"
chmod 755 "$d"
chown -R nobody:nogroup "$d/home" "$d/tmp"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$d/home" TMPDIR="$d/tmp" MARLEVANTA_CONTRATO_DATOS="$d/datos" "$programa" "$@"
