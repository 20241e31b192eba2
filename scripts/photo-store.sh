#!/usr/bin/env bash
# Serves a folder of photos, read-only, as the photo store that Handfolio
# opens by default (http://127.0.0.1:3011/). Installed as the command
# handfolio-photo-store; run with --help for its usage.
set -euo pipefail

name=$(basename "$0")
# The installed command finds the server helper in its own library folder.
dav=$(dirname "$0")/dav-apache.sh

usage() {
    cat <<USAGE
Usage: $name [--port N] [--user NAME] [--password WORD] [FOLDER]

Serves FOLDER (by default your pictures folder), read-only, as the photo
store that Handfolio opens by default, http://127.0.0.1:PORT/ (PORT is 3011
unless told). Every sub-folder is a roll, its pictures in name order. The
account is printed when the store starts (the password is made up unless
given); sign in with it in Handfolio. Stop the store with Ctrl+C.

Needs Apache httpd (apache2-bin and apache2-utils); no system server is used.
USAGE
}

port=3011 user=photos password="" folder=""
while [ $# -gt 0 ]; do
    case $1 in
        --port) port=$2; shift 2 ;;
        --user) user=$2; shift 2 ;;
        --password) password=$2; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        -*) echo "$name: unknown option $1" >&2; usage >&2; exit 2 ;;
        *) folder=$1; shift ;;
    esac
done
if ! command -v apache2 >/dev/null && [ ! -x /usr/sbin/apache2 ] || ! command -v htpasswd >/dev/null; then
    echo "$name: Apache httpd is not installed (apache2-bin, apache2-utils)" >&2
    exit 1
fi
if [ -z "$folder" ]; then
    folder=$(xdg-user-dir PICTURES 2>/dev/null || true)
    [ -n "$folder" ] && [ "$folder" != "$HOME" ] || folder="$HOME/Pictures"
fi
if [ ! -d "$folder" ]; then
    echo "$name: $folder is not a folder" >&2
    exit 1
fi
folder=$(realpath "$folder")
if [ -z "$password" ]; then
    password=$(head -c 9 /dev/urandom | base64 | tr -d '/+=')
fi

workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
chmod 0755 "$workdir"
echo "Serving the rolls in $folder at http://127.0.0.1:$port/"
echo "Account (e-mail address): $user"
echo "Password:                 $password"
echo "Press Ctrl+C to stop."
DAV_READONLY=1 "$dav" "$workdir" "$port" "$folder" "$user" "$password" || true
