#!/usr/bin/env bash
# Runs lighttpd with mod_webdav on loopback in the foreground: a second,
# independent WebDAV server for the online photo store's tests.
#   dav-lighttpd.sh WORKDIR PORT DOCROOT [USER PASSWORD]
# With LISTEN_FDS=1, as from systemd, the socket listening on 127.0.0.1:PORT
# comes on descriptor 3 and the server binds none of its own.
# Stop it with SIGTERM.
set -euo pipefail
workdir=$1 port=$2 docroot=$3 user=${4:-} password=${5:-}
mkdir -p "$workdir"

auth=""
if [ -n "$user" ]; then
    printf '%s:%s\n' "$user" "$password" > "$workdir/users"
    auth="server.modules += (\"mod_auth\", \"mod_authn_file\")
auth.backend = \"plain\"
auth.backend.plain.userfile = \"$workdir/users\"
auth.require = (\"/\" => (\"method\" => \"basic\", \"realm\" => \"Photos\", \"require\" => \"valid-user\"))"
fi

handed=""
if [ "${LISTEN_FDS:-}" = 1 ]; then
    # The server checks that the socket is meant for it; exec keeps this pid.
    export LISTEN_PID=$$
    handed='server.systemd-socket-activation = "enable"'
fi

cat > "$workdir/lighttpd.conf" <<CONF
server.document-root = "$docroot"
server.bind = "127.0.0.1"
server.port = $port
$handed
server.errorlog = "$workdir/error.log"
server.modules = ("mod_webdav")
$auth
webdav.activate = "enable"
webdav.is-readonly = "enable"
include_shell "/usr/share/lighttpd/create-mime.conf.pl"
CONF
exec lighttpd -D -f "$workdir/lighttpd.conf"
