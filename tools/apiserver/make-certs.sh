#!/bin/sh
# Makes the TLS files of the local API server in OUTDIR:
#   ca.pem, ca.key                   a local test CA (the client trusts it in tests)
#   server.pem, server.key           server certificate signed by it, for 127.0.0.1, localhost and
#                                    api.orv.test (a name that only the tests' proxy leads here)
#   rogue-ca.pem, rogue-ca.key       a second CA that nobody trusts
#   rogue-server.pem, rogue-server.key  a server certificate signed by the rogue CA, with the same
#                                    names, so a client that refuses it does so only for trust
# Existing files are kept; a server certificate that its CA no longer verifies, or that lacks
# one of these names, is remade.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
mkdir -p "$out"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/orv-certs.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM

cat >"$tmp/openssl.cnf" <<'CNF'
[req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[ca_ext]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server_ext]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost, DNS:api.orv.test
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

# make_ca NAME SUBJECT
make_ca() {
    if [ -s "$out/$1.pem" ] && [ -s "$out/$1.key" ]; then
        return 0
    fi
    (umask 077 && openssl req -config "$tmp/openssl.cnf" -x509 -new \
        -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$tmp/$1.key" -out "$tmp/$1.pem" -days 3650 -subj "$2" -extensions ca_ext 2>/dev/null)
    chmod 644 "$tmp/$1.pem"
    mv "$tmp/$1.key" "$out/$1.key"
    mv "$tmp/$1.pem" "$out/$1.pem"
}

# make_server NAME CA SUBJECT
make_server() {
    if [ -s "$out/$1.pem" ] && [ -s "$out/$1.key" ] \
        && openssl verify -CAfile "$out/$2.pem" "$out/$1.pem" >/dev/null 2>&1 \
        && openssl x509 -in "$out/$1.pem" -noout -ext subjectAltName 2>/dev/null | grep -q 'DNS:api.orv.test'; then
        return 0
    fi
    (umask 077 && openssl req -config "$tmp/openssl.cnf" -new \
        -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$tmp/$1.key" -out "$tmp/$1.csr" -subj "$3" 2>/dev/null)
    openssl x509 -req -in "$tmp/$1.csr" -CA "$out/$2.pem" -CAkey "$out/$2.key" \
        -set_serial "0x$(openssl rand -hex 8)" -days 3650 \
        -extfile "$tmp/openssl.cnf" -extensions server_ext -out "$tmp/$1.pem" 2>/dev/null
    chmod 644 "$tmp/$1.pem"
    mv "$tmp/$1.key" "$out/$1.key"
    mv "$tmp/$1.pem" "$out/$1.pem"
}

make_ca ca "/O=ORV development/CN=ORV local test CA"
make_server server ca "/O=ORV development/CN=localhost"
make_ca rogue-ca "/O=Nobody/CN=Untrusted test CA"
make_server rogue-server rogue-ca "/O=Nobody/CN=localhost"
