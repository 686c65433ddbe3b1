#!/bin/bash
# Makes a real NSS database whose client certificates expire a given number of days from now.
# Usage: crear_nssdb_caducidad.sh NSSDB_DIR WORK_DIR NICK:DAYS:SUBJECT_CN...
# DAYS may be negative (already expired). Prints one line per certificate:
# nickname TAB SHA-1 TAB SHA-256 (upper-case hexadecimal), as the program writes fingerprints.
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
db=$1
w=$2
shift 2
mkdir -p "$db" "$w"
cd "$w"
certutil -N -d "sql:$db" --empty-password

# shellcheck source=ca_prueba.sh
source "$aqui/ca_prueba.sh"
ca_prueba "AC Caducidades" 2000
cat >> ca.cnf <<'CNF'
[ cliente ]
extendedKeyUsage = clientAuth
CNF

huella() { openssl x509 -in "$1" -noout -fingerprint "-$2" | sed 's/.*=//; s/://g'; }

for certificado in "$@"; do
    IFS=: read -r nick dias cn <<<"$certificado"
    hasta=$(date -u -d "$dias days 12:00" +%Y%m%d%H%M%SZ)
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "$nick.key" \
        -out "$nick.csr" -subj "/CN=$cn" -utf8 -config ca.cnf 2>/dev/null
    openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$nick.csr" \
        -out "$nick.pem" -notext -utf8 -startdate 20240101000000Z -enddate "$hasta" \
        -extfile ca.cnf -extensions cliente 2>/dev/null
    openssl pkcs12 -export -inkey "$nick.key" -in "$nick.pem" -name "$nick" -out "$nick.p12" \
        -passout pass:
    pk12util -i "$nick.p12" -d "sql:$db" -W "" >/dev/null
    printf '%s\t%s\t%s\n' "$nick" "$(huella "$nick.pem" sha1)" "$(huella "$nick.pem" sha256)"
done
