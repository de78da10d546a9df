#!/usr/bin/env bash
# Makes the certificates of the TLS tests in DIR with openssl:
#   ca.pem                   the test authority (trust it with SSL_CERT_FILE)
#   good.pem                 signed by it for localhost, 127.0.0.1 and ::1
#   wrong.pem                signed by it for another name only
#   expired.pem              signed by it for the right names, valid only in 2020
#   self.pem                 self-signed for the right names
#   server.key               the key of every server certificate
#   NAME.fp                  each certificate's SHA-256 fingerprint, AB:CD:...
#     make-certs.sh DIR
set -euo pipefail
dir=$1
cd "$dir"
names="subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1"

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj "/CN=Quorvane Test Authority" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=localhost" 2>/dev/null
printf '%s\n' "$names" >right.ext
printf 'subjectAltName=DNS:lists.example.org\n' >wrong.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile right.ext -out good.pem 2>/dev/null
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile wrong.ext -out wrong.pem 2>/dev/null
openssl req -x509 -key server.key -out self.pem -days 2 -subj "/CN=localhost" -addext "$names" 2>/dev/null

# "openssl x509 -req" only counts days from now; the expired one needs "openssl ca" for
# dates in the past.
mkdir -p ca-db
: >ca-db/index
echo 01 >ca-db/serial
cat >ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = ca-db/index
new_certs_dir = ca-db
serial = ca-db/serial
default_md = sha256
policy = any
[any]
commonName = supplied
[names]
$names
CNF
openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in server.csr -out expired.pem \
  -startdate 20200101000000Z -enddate 20200201000000Z -extensions names -notext 2>/dev/null

for name in good wrong self expired; do
  openssl x509 -in "$name.pem" -noout -fingerprint -sha256 | sed 's/^.*=//' >"$name.fp"
done
