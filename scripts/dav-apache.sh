#!/usr/bin/env bash
# Runs Apache httpd with WebDAV on loopback in the foreground, for the online
# photo store's tests and benchmark, and for trying the program locally.
#   dav-apache.sh WORKDIR PORT DOCROOT [USER PASSWORD [Basic|Digest]]
# With a user, every request needs HTTP credentials (Basic unless told). A file
# WORKDIR/extra.conf, when present, is included (redirects, rate limits);
# with WORKDIR/tls.crt and WORKDIR/tls.key the server speaks HTTPS.
# With DAV_READONLY=1 only GET, HEAD, OPTIONS and PROPFIND are allowed.
# Stop it with SIGTERM.
set -euo pipefail
workdir=$1 port=$2 docroot=$3 user=${4:-} password=${5:-} scheme=${6:-Basic}
modules=/usr/lib/apache2/modules
mkdir -p "$workdir/run"

# Read-only stores refuse every method that would change a file.
methods=""
if [ "${DAV_READONLY:-0}" = 1 ]; then
    methods="Require method GET HEAD OPTIONS PROPFIND"
fi

auth=""
if [ -n "$user" ] && [ "$scheme" = Digest ]; then
    hash=$(printf '%s:Photos:%s' "$user" "$password" | md5sum | cut -d' ' -f1)
    printf '%s:Photos:%s\n' "$user" "$hash" > "$workdir/htdigest"
    chmod 0644 "$workdir/htdigest"
    auth="AuthType Digest
        AuthName \"Photos\"
        AuthDigestProvider file
        AuthUserFile $workdir/htdigest
        <RequireAll>
            Require valid-user
            $methods
        </RequireAll>"
elif [ -n "$user" ]; then
    htpasswd -bc "$workdir/htpasswd" "$user" "$password" 2>/dev/null
    chmod 0644 "$workdir/htpasswd"
    auth="AuthType Basic
        AuthName \"Photos\"
        AuthBasicProvider file
        AuthUserFile $workdir/htpasswd
        <RequireAll>
            Require valid-user
            $methods
        </RequireAll>"
else
    auth="<RequireAll>
            Require all granted
            $methods
        </RequireAll>"
fi

tls=""
if [ -f "$workdir/tls.crt" ] && [ -f "$workdir/tls.key" ]; then
    tls="LoadModule ssl_module $modules/mod_ssl.so
LoadModule socache_shmcb_module $modules/mod_socache_shmcb.so
SSLEngine on
SSLCertificateFile $workdir/tls.crt
SSLCertificateKeyFile $workdir/tls.key"
fi

runas=""
if [ "$(id -u)" -eq 0 ]; then
    runas="User www-data
Group www-data"
fi

cat > "$workdir/httpd.conf" <<CONF
ServerRoot "$workdir"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
$runas
LoadModule mpm_event_module $modules/mod_mpm_event.so
LoadModule authn_core_module $modules/mod_authn_core.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule auth_basic_module $modules/mod_auth_basic.so
LoadModule auth_digest_module $modules/mod_auth_digest.so
LoadModule authn_file_module $modules/mod_authn_file.so
LoadModule authz_user_module $modules/mod_authz_user.so
LoadModule dav_module $modules/mod_dav.so
LoadModule dav_fs_module $modules/mod_dav_fs.so
LoadModule alias_module $modules/mod_alias.so
LoadModule mime_module $modules/mod_mime.so
LoadModule ratelimit_module $modules/mod_ratelimit.so
LoadModule env_module $modules/mod_env.so
TypesConfig /etc/mime.types
DefaultRuntimeDir "$workdir/run"
PidFile "$workdir/run/httpd.pid"
ErrorLog "$workdir/error.log"
LogLevel warn
DavLockDB "$workdir/run/davlock"
StartServers 1
ServerLimit 2
ThreadsPerChild 16
MaxRequestWorkers 32
KeepAlive On
DocumentRoot "$docroot"
<Directory "$docroot">
    Dav On
    Options None
    AllowOverride None
    $auth
</Directory>
$tls
IncludeOptional "$workdir/extra.conf"
CONF
# A user's PATH may leave out /usr/sbin, where Debian puts the server.
exec "$(command -v apache2 || echo /usr/sbin/apache2)" -f "$workdir/httpd.conf" -D FOREGROUND
