#!/usr/bin/env bash
# Makes a throw-away certificate authority and server certificates for the TLS tests under DIR:
#   ca.pem                     the authority (point SSL_CERT_FILE at it)
#   server.{pem,key}           valid, for localhost, mail.example.test and 127.0.0.1
#   otherhost.{pem,key}        valid, but only for other.example.test
#   expired.{pem,key}          for the right names, expired in 2021
#   selfsigned.{pem,key}       for the right names, signed by itself
#   server2.{pem,key}          a second valid certificate for the right names (pin tests)
# Usage: make-test-certs.sh DIR
set -euo pipefail

dir=${1:?usage: make-test-certs.sh DIR}
mkdir -p "$dir"
cd "$dir"

names="DNS:localhost,DNS:mail.example.test,IP:127.0.0.1"
quiet() { "$@" >/dev/null 2>&1 || { echo "make-test-certs.sh: failed: $*" >&2; exit 1; }; }

quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 \
  -subj "/CN=Yubinko Test CA" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign"

# A minimal CA configuration: `openssl ca` is the one way to set exact validity dates here.
mkdir -p db
: > db/index.txt
echo 1000 > db/serial
cat > ca.cnf <<CNF
[ca]
default_ca = test_ca
[test_ca]
database = $dir/db/index.txt
serial = $dir/db/serial
new_certs_dir = $dir/db
certificate = $dir/ca.pem
private_key = $dir/ca.key
default_md = sha256
policy = any
copy_extensions = copy
unique_subject = no
[any]
commonName = supplied
[server_ext]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
CNF

issue() {  # name subject-alt-names start end
  quiet openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" \
    -subj "/CN=${1}" -addext "subjectAltName=$2"
  quiet openssl ca -batch -config ca.cnf -extensions server_ext -in "$1.csr" -out "$1.pem" \
    -startdate "$3" -enddate "$4" -notext
  rm -f "$1.csr"
}

now_minus_day=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ)
in_month=$(date -u -d '+30 days' +%Y%m%d%H%M%SZ)
issue server "$names" "$now_minus_day" "$in_month"
issue server2 "$names" "$now_minus_day" "$in_month"
issue otherhost "DNS:other.example.test" "$now_minus_day" "$in_month"
issue expired "$names" 20200101000000Z 20210101000000Z

quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout selfsigned.key -out selfsigned.pem \
  -days 30 -subj "/CN=selfsigned" -addext "subjectAltName=$names"

chmod 644 ./*.pem ./*.key
echo "TLS_DIR=$dir"
