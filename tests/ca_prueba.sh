# Sourced by the scripts that make test NSS databases: a throw-away certificate authority in the
# current folder. ca_prueba "CA NAME" FIRST_SERIAL writes ca.cnf (the caller appends its own
# extension sections after it, before issuing), index.txt, serial, ca.key and ca.pem.
ca_prueba() {
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
commonName = optional
emailAddress = optional
organizationName = optional
[ req ]
distinguished_name = dn
prompt = no
[ dn ]
CN = x
[ raiz ]
basicConstraints = critical,CA:true
keyUsage = keyCertSign,cRLSign
CNF
    : > index.txt
    echo "$2" > serial
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key \
        -out ca.pem -subj "/CN=$1" -days 3650 -config ca.cnf -extensions raiz 2>/dev/null
}
