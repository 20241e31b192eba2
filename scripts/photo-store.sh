#!/usr/bin/env bash
# Serves a folder of photos, read-only, as the photo store that Handfolio
# opens by default (http://127.0.0.1:3011/): every sub-folder is a roll, its
# pictures in name order. The account is printed when the store starts; sign
# in with it in Handfolio. Stop the store with Ctrl+C.
#
#   photo-store.sh [--port N] [--user NAME] [--password WORD] [FOLDER]
#
# FOLDER defaults to your pictures folder. Needs apache2-bin and
# apache2-utils (scripts/setup.sh installs them); no system server is used.
set -euo pipefail

port=3011 user=photos password="" folder=""
while [ $# -gt 0 ]; do
    case $1 in
        --port) port=$2; shift 2 ;;
        --user) user=$2; shift 2 ;;
        --password) password=$2; shift 2 ;;
        -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "photo-store.sh: unknown option $1" >&2; exit 2 ;;
        *) folder=$1; shift ;;
    esac
done
if [ -z "$folder" ]; then
    folder=$(xdg-user-dir PICTURES 2>/dev/null || true)
    [ -n "$folder" ] && [ "$folder" != "$HOME" ] || folder="$HOME/Pictures"
fi
if [ ! -d "$folder" ]; then
    echo "photo-store.sh: $folder is not a folder" >&2
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
DAV_READONLY=1 "$(dirname "$0")/dav-apache.sh" "$workdir" "$port" "$folder" "$user" "$password" || true
