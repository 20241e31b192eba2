#!/usr/bin/env bash
# Serves a folder of photos as the local photo store that the program opens
# by default (http://127.0.0.1:3011/): every sub-folder is a roll, its
# pictures in name order. With a user and password, the store asks for
# them as the account's e-mail address and password. Stop it with Ctrl+C.
#   photo-store.sh FOLDER [PORT [USER PASSWORD]]
set -euo pipefail
folder=$(realpath "$1")
port=${2:-3011}
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
chmod 0755 "$workdir"
echo "Serving $folder at http://127.0.0.1:$port/"
"$(dirname "$0")/dav-apache.sh" "$workdir" "$port" "$folder" "${3:-}" "${4:-}"
