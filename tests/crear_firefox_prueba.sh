#!/bin/bash
# Makes what the Firefox tests need, in WORK_DIR: two authorities ("AC Prueba uno" and "dos"), a
# TLS server certificate of the first for 127.0.0.1 (srv.pem, srv.key; cas.pem holds both
# authorities, to check clients), and the user's store NSSDB_DIR (guarded by PASSWORD when
# given) with three client certificates and their keys: a name with accents, a double quote and
# a backslash, and two certificates named alike from the two authorities. The store trusts the
# first authority for servers; the second it holds without trust.
# Usage: crear_firefox_prueba.sh WORK_DIR NSSDB_DIR [PASSWORD]
# Prints one line per client: nickname TAB SHA-1 TAB SHA-256 (upper-case hexadecimal).
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
w=$1
db=$2
mkdir -p "$w" "$db"
cd "$w"
printf '%s\n' "${3:-}" > pw
if [ -n "${3:-}" ]; then
    certutil -N -d "sql:$db" -f pw
else
    certutil -N -d "sql:$db" --empty-password
fi
bash "$aqui/ca_tls_prueba.sh"
certutil -A -d "sql:$db" -n "AC Prueba uno" -t C,, -i cauno.pem -f pw
certutil -A -d "sql:$db" -n "AC Prueba dos" -t ,, -i cados.pem -f pw

huella() { openssl x509 -in "$1" -noout -fingerprint "-$2" | cut -d= -f2 | tr -d : ; }
# nickname, subject (openssl's escaping), authority
emitir() {
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "$1.key" \
        -out "$1.csr" -subj "$2" -utf8 -config ca.cnf 2>/dev/null
    openssl x509 -req -in "$1.csr" -CA "ca$3.pem" -CAkey "ca$3.key" -CAcreateserial \
        -out "$1.pem" -days 20 -extfile ca.cnf -extensions cliente 2>/dev/null
    openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -name "$1" -out "$1.p12" -passout pass:
    pk12util -i "$1.p12" -d "sql:$db" -W '' -k pw >/dev/null
    printf '%s\t%s\t%s\n' "$1" "$(huella "$1.pem" sha1)" "$(huella "$1.pem" sha256)"
}
emitir raro '/CN=ÑOÑO "EL" BARRA\\ – 1Z' uno
emitir gemelouno '/CN=GEMELO 12345678Z' uno
emitir gemelodos '/CN=GEMELO 12345678Z' dos
