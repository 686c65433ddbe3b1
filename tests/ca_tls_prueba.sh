#!/bin/bash
# Run in a work folder: two throw-away authorities, "AC Prueba uno" and "AC Prueba dos"
# (cauno.pem/.key, cados.pem/.key), a TLS server certificate of the first for 127.0.0.1 (srv.pem,
# srv.key), cas.pem with both authorities to check clients with, and ca.cnf, whose section
# "cliente" issues client certificates.
set -euo pipefail
cat > ca.cnf <<'CNF'
[ req ]
distinguished_name = dn
[ dn ]
[ raiz ]
basicConstraints = critical,CA:true
keyUsage = keyCertSign,cRLSign
[ cliente ]
extendedKeyUsage = clientAuth
keyUsage = digitalSignature
[ servidor ]
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1
CNF
for ca in uno dos; do
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout "ca$ca.key" \
        -out "ca$ca.pem" -subj "/CN=AC Prueba $ca" -days 30 -config ca.cnf -extensions raiz \
        2>/dev/null
done
openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout srv.key \
    -out srv.csr -subj /CN=127.0.0.1 -config ca.cnf 2>/dev/null
openssl x509 -req -in srv.csr -CA cauno.pem -CAkey cauno.key -CAcreateserial -out srv.pem \
    -days 5 -extfile ca.cnf -extensions servidor 2>/dev/null
cat cauno.pem cados.pem > cas.pem
