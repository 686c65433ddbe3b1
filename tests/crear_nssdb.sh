#!/bin/bash
# Makes a real NSS database of client certificates for the tests.
# Usage: crear_nssdb.sh NSSDB_DIR WORK_DIR
# Prints one line per imported user certificate: nickname TAB SHA-1 fingerprint.
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
db=$1
w=$2
mkdir -p "$db" "$w"
cd "$w"
certutil -N -d "sql:$db" --empty-password

# shellcheck source=ca_prueba.sh
source "$aqui/ca_prueba.sh"
export CORREO=nadie@prueba.example
ca_prueba "AC Pruebas Marlevanta" 1000
cat >> ca.cnf <<'CNF'
[ cliente ]
extendedKeyUsage = clientAuth,emailProtection
subjectAltName = email:$ENV::CORREO
[ desnudo ]
basicConstraints = CA:false
[ firma ]
extendedKeyUsage = codeSigning,1.3.6.1.4.1.311.10.3.12,timeStamping
[ servidor ]
extendedKeyUsage = serverAuth,clientAuth,OCSPSigning
CNF
# The issuer alone, without its key: not one of the user's certificates.
certutil -A -d "sql:$db" -n "AC Pruebas" -t "C,," -i ca.pem

fecha() { date -u -d "$1" +%Y%m%d%H%M%SZ; }

# nickname, subject, start, end, extensions section, e-mail for the SAN
emitir() {
    local nick=$1 sujeto=$2 desde=$3 hasta=$4 ext=$5
    export CORREO=${6:-nadie@prueba.example}
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "$nick.key" \
        -out "$nick.csr" -subj "$sujeto" -utf8 -config ca.cnf 2>/dev/null
    openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$nick.csr" \
        -out "$nick.pem" -notext -utf8 -startdate "$desde" -enddate "$hasta" \
        -extfile ca.cnf -extensions "$ext" 2>/dev/null
    openssl pkcs12 -export -inkey "$nick.key" -in "$nick.pem" -name "$nick" -out "$nick.p12" \
        -passout pass:
    pk12util -i "$nick.p12" -d "sql:$db" -W "" >/dev/null
    printf '%s\t%s\n' "$nick" \
        "$(openssl x509 -in "$nick.pem" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')"
}

emitir uno "/CN=PÉREZ GARCÍA ANA - 12345678Z" 20230105100000Z 20331231233000Z cliente \
    ana.perez@correo.example
emitir sincorreo "/CN=Sin Correo Ni Usos" 20231231233000Z "$(fecha '+2 years')" desnudo
emitir caducado "/CN=Caducado Ayer" 20200101000000Z "$(fecha '-1 day')" cliente caducado@correo.example
emitir proximo "/CN=Próximo A Caducar" 20240101000000Z "$(fecha '+20 days')" cliente \
    proximo@correo.example
emitir gemelo1 "/CN=NOMBRE REPETIDO" 20240101000000Z "$(fecha '+3 years')" cliente \
    gemelo1@correo.example
emitir gemelo2 "/CN=NOMBRE REPETIDO" 20240201000000Z "$(fecha '+3 years')" cliente \
    gemelo2@correo.example
emitir sujetoemail "/CN=Correo En Sujeto/emailAddress=sujeto@correo.example" \
    20240101000000Z "$(fecha '+1 year')" firma
emitir acentos "/CN=ÑÚÑEZ ÁLVAREZ JOSÉ - 87654321X" 20240101000000Z "$(fecha '+1 year')" servidor
