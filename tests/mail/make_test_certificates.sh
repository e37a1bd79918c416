#!/usr/bin/env bash
# Certificates for the mail servers of the TLS tests, made fresh in FOLDER with openssl:
#   ca.pem                  a certificate authority of the test's own (its key stays here)
#   good.pem / good.key     localhost, from that authority
#   selfsigned.pem / .key   localhost, signed by itself
#   expired.pem / .key      localhost, from that authority, valid only in January 2020
# No certificate names 127.0.0.1, so a server reached by that address shows one for another name.
# Usage: make_test_certificates.sh FOLDER
set -euo pipefail

dir=$1
mkdir -p "$dir"
cd "$dir"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }

cat >server.ext <<'EOF'
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
EOF

key ca.key
openssl req -x509 -new -key ca.key -subj "/CN=Korvadesk Test Authority" -days 30 \
    -addext "basicConstraints = critical, CA:TRUE" \
    -addext "keyUsage = critical, keyCertSign, cRLSign" -out ca.pem 2>/dev/null

key good.key
openssl req -new -key good.key -subj "/CN=localhost" -out good.csr 2>/dev/null
openssl x509 -req -in good.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 \
    -extfile server.ext -out good.pem 2>/dev/null

key selfsigned.key
openssl req -x509 -new -key selfsigned.key -subj "/CN=localhost" -days 30 \
    -addext "subjectAltName = DNS:localhost" -out selfsigned.pem 2>/dev/null

# Dates in the past need "openssl ca" and its small database.
mkdir -p ca-db
: >ca-db/index.txt
echo 1000 >ca-db/serial
cat >ca.cnf <<EOF
[ca]
default_ca = test_ca
[test_ca]
dir = $PWD/ca-db
database = \$dir/index.txt
serial = \$dir/serial
new_certs_dir = \$dir
certificate = $PWD/ca.pem
private_key = $PWD/ca.key
default_md = sha256
policy = anything
copy_extensions = none
[anything]
commonName = supplied
EOF
key expired.key
openssl req -new -key expired.key -subj "/CN=localhost" -out expired.csr 2>/dev/null
openssl ca -batch -config ca.cnf -startdate 20200101000000Z -enddate 20200131000000Z \
    -extfile server.ext -in expired.csr -out expired.pem 2>/dev/null
