#!/usr/bin/env bash
# Installs a Handfolio package into a clean Debian 12 root, starts the
# installed program there as an ordinary user under a private X server,
# checks its Album window and leaves it through File > Exit; tries the
# installed photo store command; then purges the package and checks that none
# of its files is left. Runs as root.
#   package-test.sh build-package/handfolio_2.6_amd64.deb
set -euo pipefail

# Messages go to the stderr the script was started with, also from a trap
# that runs while a step's output goes to a log.
exec 9>&2
die() { echo "package-test: FAILED: $*" >&9; exit 1; }
step() { echo "== $(date +%T) $*"; }

[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
[ -f "$1" ] || die "$1 is not a file"
[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot, mounts)"
deb=$(realpath "$1")
cd "$(dirname "$0")/.."
work=$(realpath -m build-package/package-test)
root=$work/root
title="Handfolio Album Creator 2.6"
user=albumtester

mounted_below() { findmnt -rn -o TARGET | awk -v r="$1" '$0 == r || index($0, r "/") == 1' | sort -r; }
unmount_all() {
    local m
    for m in $(mounted_below "$root"); do
        umount "$m" 2>/dev/null || umount -l "$m" || true
    done
}
xvfb_pid="" app_pid="" store_pid=""
cleanup() {
    local rc=$?
    for pid in $store_pid $app_pid; do
        kill -TERM -- "-$pid" 2>/dev/null || true
    done
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    unmount_all
    if [ -n "$(mounted_below "$root")" ]; then
        echo "package-test: mounts left under $root" >&9
        rc=1
    elif [ "$rc" -eq 0 ]; then
        # The root has served; its logs and screenshots stay beside it.
        rm -rf --one-file-system "$root"
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'echo "package-test: interrupted" >&9; exit 130' INT TERM

# The mirror is the one this machine's apt uses for the release itself.
mirror=""
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    mirror=$(awk 'BEGIN { RS = ""; FS = "\n" }
        { uris = ""; ok = 0
          for (i = 1; i <= NF; i++) {
              if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
              if ($i ~ /^Suites:/ && $i ~ /[ \t]bookworm([ \t]|$)/) ok = 1
              if ($i ~ /^Types:/ && $i !~ /[ \t]deb([ \t]|$)/) ok = 0
          }
          if (ok && uris != "") { split(uris, u, /[ \t]+/); print u[1]; exit } }' "$f")
    [ -z "$mirror" ] || break
done
if [ -z "$mirror" ]; then
    mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        sed -E 's/\[[^]]*\]//' | awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }')
fi
[ -n "$mirror" ] || die "no bookworm mirror in this machine's apt sources"

step "clean Debian 12 root in $root from $mirror"
unmount_all
[ -z "$(mounted_below "$root")" ] || die "cannot unmount what is mounted under $root"
rm -rf --one-file-system "$work"
mkdir -p "$work"
timeout --foreground 900 debootstrap --variant=minbase bookworm "$root" "$mirror" > "$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log" >&2; die "debootstrap (log: $work/debootstrap.log)"; }

rm -f "$root"/etc/apt/sources.list "$root"/etc/apt/sources.list.d/*
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    if [ -f "$f" ]; then cp "$f" "$root${f}"; fi
done
# Packages that bring a system service must not start it inside the root.
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod 0755 "$root/usr/sbin/policy-rc.d"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev/pts "$root/dev/pts"

# Every command in the root gets a time limit, so that no step can hang; in
# the foreground, so that Ctrl+C reaches it.
in_root() {
    timeout --foreground 900 chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"
}

step "install the package with apt"
cp "$deb" "$root/tmp/"
in_root apt-get -q update > "$work/apt.log" 2>&1 || { tail -20 "$work/apt.log" >&2; die "apt-get update"; }
# The root is thrown away afterwards: dpkg need not sync every file it unpacks.
in_root apt-get -q install -y -o DPkg::Options::=--force-unsafe-io "/tmp/$(basename "$deb")" >> "$work/apt.log" 2>&1 ||
    { tail -30 "$work/apt.log" >&2; die "apt-get install of the package (log: $work/apt.log)"; }
in_root dpkg -L handfolio > "$work/files.txt"
in_root dpkg-query -W -f='${Depends}\n' handfolio | sed 's/^/Depends: /'
[ -x "$root/usr/bin/handfolio" ] || die "/usr/bin/handfolio is not installed"

in_root useradd --create-home --shell /bin/bash "$user"
uid=$(in_root id -u "$user")
gid=$(in_root id -g "$user")
mkdir -p "$root/run/user/$uid"
chown "$uid:$gid" "$root/run/user/$uid"
chmod 0700 "$root/run/user/$uid"
as_user() {
    timeout --foreground 120 chroot --userspec="$uid:$gid" "$root" env -i HOME="/home/$user" USER="$user" LOGNAME="$user" \
        PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="/run/user/$uid" "$@"
}

step "start the program under a private X server"
# The X server runs here; its socket folder is shared with the root.
mkdir -p /tmp/.X11-unix "$root/tmp/.X11-unix"
chmod 1777 /tmp/.X11-unix
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb ended at start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[ -s "$work/display" ] || die "Xvfb did not start within 10 s"
export DISPLAY=":$(cat "$work/display")"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

# The program's settings go through dconf when the packages it pulls in
# bring dconf along; that wants a session bus.
session=()
[ ! -x "$root/usr/bin/dbus-run-session" ] || session=(dbus-run-session --)
setsid timeout 120 chroot --userspec="$uid:$gid" "$root" env -i HOME="/home/$user" USER="$user" \
    LOGNAME="$user" PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="/run/user/$uid" \
    DISPLAY="$DISPLAY" "${session[@]}" /usr/bin/handfolio > "$work/handfolio.log" 2>&1 &
app_pid=$!

# A first start shows the welcome picture for 3 s, then the Album window.
wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" | head -1) ||
    die "no window named '$title' within 30 s; program output: $(cat "$work/handfolio.log")"
name=$(xdotool getwindowname "$wid")
[ "$name" = "$title" ] || die "window title is '$name', not '$title'"
echo "Album window $wid: '$name'"
sleep 1
import -display "$DISPLAY" -window root "$work/album-window.png"

step "File > Exit by the keyboard"
xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers alt+f
sleep 0.5
import -display "$DISPLAY" -window root "$work/file-menu.png"
xdotool key x
rc=""
for _ in $(seq 100); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
        rc=0
        wait "$app_pid" || rc=$?
        break
    fi
    sleep 0.1
done
[ -n "$rc" ] || die "the program still runs 10 s after File > Exit"
app_pid=""
[ "$rc" -eq 0 ] || die "the program ended with status $rc; output: $(cat "$work/handfolio.log")"
[ -f "$root/home/$user/Palm/users.ini" ] || die "the first start wrote no ~/Palm/users.ini"
echo "The program ended with status 0"

step "the installed photo store command"
as_user handfolio-photo-store --help | grep -q "^Usage: handfolio-photo-store " ||
    die "handfolio-photo-store --help does not name the command"
as_user mkdir -p "/home/$user/Pictures/Summer"
cp "$root/usr/share/icons/hicolor/48x48/apps/handfolio.png" "$root/home/$user/Pictures/Summer/beach.png"
chown "$uid:$gid" "$root/home/$user/Pictures/Summer/beach.png"
port=""
for _ in $(seq 20); do
    p=$((20000 + RANDOM % 20000))
    if ! (exec 4<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then port=$p; break; fi
done
[ -n "$port" ] || die "no free port for the photo store"
setsid timeout 60 chroot --userspec="$uid:$gid" "$root" env -i HOME="/home/$user" USER="$user" \
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
    handfolio-photo-store --port "$port" --user ann --password 'sand castle' > "$work/store.log" 2>&1 &
store_pid=$!
answer=""
for _ in $(seq 100); do
    answer=$(curl -s -u 'ann:sand castle' -X PROPFIND -H 'Depth: 1' -o /dev/null -w '%{http_code}' \
        "http://127.0.0.1:$port/Summer/" || true)
    [ "$answer" = 207 ] && break
    kill -0 "$store_pid" 2>/dev/null || die "the photo store ended: $(cat "$work/store.log")"
    sleep 0.1
done
[ "$answer" = 207 ] || die "the photo store answered '$answer' to PROPFIND; $(cat "$work/store.log")"
curl -sf -u 'ann:sand castle' -o "$work/beach.png" "http://127.0.0.1:$port/Summer/beach.png" ||
    die "the photo store did not serve a picture"
cmp -s "$work/beach.png" "$root/home/$user/Pictures/Summer/beach.png" || die "the photo store served other bytes"
answer=$(curl -s -u 'ann:sand castle' -X PUT --data x -o /dev/null -w '%{http_code}' \
    "http://127.0.0.1:$port/Summer/new.png" || true)
[ "$answer" = 403 ] || [ "$answer" = 401 ] || die "the photo store accepted a PUT ($answer)"
kill -TERM -- "-$store_pid" 2>/dev/null || true
wait "$store_pid" 2>/dev/null || true
store_pid=""
echo "The store served a roll on port $port, read-only"

step "purge the package"
in_root apt-get -q purge -y -o DPkg::Options::=--force-unsafe-io handfolio >> "$work/apt.log" 2>&1 || die "apt-get purge"
in_root apt-get -q autoremove --purge -y -o DPkg::Options::=--force-unsafe-io >> "$work/apt.log" 2>&1 || die "apt-get autoremove"
left=0
while IFS= read -r path; do
    if [ -f "$root$path" ] || [ -L "$root$path" ]; then
        echo "left after purge: $path" >&2
        left=1
    fi
done < "$work/files.txt"
[ "$left" -eq 0 ] || die "files of the package remain after purge"
echo "No file of the package remains ($(wc -l < "$work/files.txt") paths checked)"
echo "package-test: passed"
