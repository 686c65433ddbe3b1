#!/bin/bash
# Makes the PKCS#12 files that a new user may bring, for the import tests.
# Usage: crear_p12.sh OUTPUT_DIR
# Leaves in OUTPUT_DIR:
#   ana.p12        key and certificate, password "clave Ñandú 1" (non-ASCII on purpose), with
#                  the issuing CA in the file too
#   luis.p12       key and certificate, empty password
#   viejo.p12      key and certificate, password "vieja", with the older 3DES/SHA-1 ciphers
#   sinclave.p12   the certificate alone, password "clave"
#   corrupto.p12   random bytes;  cortado.p12: ana.p12 cut short
#   <name>.pem     each certificate, for openssl to compare with; ca.pem the issuer
set -euo pipefail
salida=$(mkdir -p "$1" && cd "$1" && pwd)
cd "$salida"

cat > ca.cnf <<'CNF'
[ ca ]
default_ca = ca_prueba
[ ca_prueba ]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = politica
unique_subject = no
email_in_dn = yes
[ politica ]
countryName = optional
organizationName = optional
organizationalUnitName = optional
serialNumber = optional
givenName = optional
surname = optional
commonName = supplied
emailAddress = optional
[ req ]
distinguished_name = dn
prompt = no
utf8 = yes
string_mask = utf8only
[ dn ]
CN = x
[ raiz ]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
[ ana ]
basicConstraints = CA:false
keyUsage = critical,digitalSignature,nonRepudiation,keyEncipherment
extendedKeyUsage = clientAuth,emailProtection
subjectAltName = email:ana.perez@correo.example,email:ana@trabajo.example
[ luis ]
basicConstraints = CA:false
extendedKeyUsage = clientAuth
CNF
: > index.txt
echo 0A1B2C3D4E5F > serial

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key \
    -out ca.pem -days 3650 -utf8 -subj "/C=ES/O=Autoridad de Pruebas/CN=AC Importación" \
    -config ca.cnf -extensions raiz 2>/dev/null

# name, subject, extensions section, validity days
emitir() {
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "$1.key" \
        -out "$1.csr" -subj "$2" -utf8 -config ca.cnf 2>/dev/null
    openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" -out "$1.pem" \
        -notext -utf8 -days "$4" -extfile ca.cnf -extensions "$3" 2>/dev/null
}

# A subject with the parts Spanish certificates carry, and a comma that must be escaped.
emitir ana "/C=ES/O=Talleres Ruiz, S.L./OU=Administración/serialNumber=IDCES-12345678Z/GN=ANA/SN=PÉREZ GARCÍA/CN=PÉREZ GARCÍA ANA - 12345678Z" ana 700
emitir luis "/CN=LUIS SIN CLAVE DE ARCHIVO" luis 400

openssl pkcs12 -export -inkey ana.key -in ana.pem -certfile ca.pem -name ana -out ana.p12 \
    -passout "pass:clave Ñandú 1"
openssl pkcs12 -export -inkey luis.key -in luis.pem -name luis -out luis.p12 -passout pass:
openssl pkcs12 -export -inkey luis.key -in luis.pem -name viejo -out viejo.p12 \
    -keypbe PBE-SHA1-3DES -certpbe PBE-SHA1-3DES -macalg sha1 -passout pass:vieja
openssl pkcs12 -export -nokeys -in ana.pem -out sinclave.p12 -passout pass:clave
head -c 2048 /dev/urandom > corrupto.p12
head -c 700 ana.p12 > cortado.p12
