#!/bin/bash
# Makes the certificates that the certificate-store contract imports on every platform: a CA and
# two client certificates signed by it, each packed with its key as PKCS#12 (password
# "clave-prueba"). Fixed validity dates, so that the expected texts are known in advance.
# Usage: crear_certificados.sh OUTPUT_DIR
set -euo pipefail
salida=$(mkdir -p "$1" && cd "$1" && pwd)
trabajo=$(mktemp -d)
trap 'rm -rf "$trabajo"' EXIT
cd "$trabajo"

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
commonName = supplied
organizationName = optional
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
[ hoja ]
basicConstraints = CA:false
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = clientAuth,emailProtection
subjectAltName = email:pepe@example.org
[ otra ]
basicConstraints = CA:false
extendedKeyUsage = codeSigning,1.3.6.1.4.1.311.10.3.12
CNF
: > index.txt
echo 1000 > serial

# RSA keys: Wine's CryptoAPI provider imports no other kind.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 7300 -utf8 \
    -subj "/CN=Autoridad de Pruebas Ñandú/O=Pruebas" -config ca.cnf -extensions raiz 2>/dev/null

# name, subject, start, end, extensions section
emitir() {
    openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "$2" -utf8 \
        -config ca.cnf 2>/dev/null
    openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" -out "$1.pem" \
        -notext -utf8 -startdate "$3" -enddate "$4" -extfile ca.cnf -extensions "$5" 2>/dev/null
    openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -name "$1" -out "$salida/$1.p12" \
        -passout pass:clave-prueba
    openssl x509 -in "$1.pem" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g' >"$salida/$1.sha1"
}

# A double quote, a backslash, a comma and accents: names are listed as the certificate holds
# them, never in an escaped form.
emitir hoja '/CN=José "Pepe" Núñez\\Ñ, Güemes/O=Pruebas' 20230105100000Z 20401231233000Z hoja
emitir otra '/CN=Otra Persona/emailAddress=otra@example.org' 20240229120000Z 20391001080910Z otra

openssl x509 -in ca.pem -outform der -out "$salida/ca.der"
openssl x509 -in ca.pem -noout -fingerprint -sha1 | sed 's/.*=//; s/://g' >"$salida/ca.sha1"
