#!/usr/bin/env bash
# Runs squid on loopback in the foreground as a proxy that asks for Basic
# credentials, for the online photo store's proxy tests.
#   proxy-squid.sh WORKDIR PORT USER PASSWORD
# Critical messages, a port already taken among them, also go to standard
# error. Stop it with SIGTERM.
set -euo pipefail
workdir=$1 port=$2 user=$3 password=$4
mkdir -p "$workdir"
htpasswd -bcB "$workdir/passwd" "$user" "$password" 2>/dev/null
chmod 0644 "$workdir/passwd"
chmod 0777 "$workdir"

cat > "$workdir/squid.conf" <<CONF
http_port 127.0.0.1:$port
pid_filename $workdir/squid.pid
cache_log $workdir/cache.log
access_log stdio:$workdir/access.log
cache deny all
cache_mem 8 MB
coredump_dir $workdir
shutdown_lifetime 0 seconds
auth_param basic program /usr/lib/squid/basic_ncsa_auth $workdir/passwd
auth_param basic realm proxy
acl localnet src 127.0.0.1
acl users proxy_auth REQUIRED
http_access allow localnet users
http_access deny all
forwarded_for delete
via off
CONF
exec squid -N -d 0 -f "$workdir/squid.conf"
