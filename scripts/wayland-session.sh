#!/usr/bin/env bash
# Runs a command in a Wayland desktop of its own: sway drawing into the X
# display named by DISPLAY, or with --xvfb into an Xvfb of the session's own
# (1280 x 1024), so that xdotool on that display moves sway's pointer and
# types on its keyboard; PipeWire; the desktop's screenshot portal on a
# private session bus.
#   scripts/wayland-session.sh [--xvfb] [--] COMMAND [ARGUMENT ...]
# The command sees DISPLAY, WAYLAND_DISPLAY, SWAYSOCK,
# DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR and a TMPDIR of the session's
# own; the script exits with the command's status, or 77 when the desktop
# cannot be started here (no X display, a program missing, sway refused),
# 1 when the portal on a started desktop fails (or any start fails, with
# HANDFOLIO_NEED_WAYLAND=1). Run as
# root, the desktop and the command run as the user handfolio-test (made when
# missing), since sway refuses to run as root. Nothing of the session is left
# running or on disk afterwards.
set -euo pipefail

readonly session_user=handfolio-test
# xdg-desktop-portal-wlr 0.7 writes every screenshot to this one path, so
# that a stale file owned by another user makes every screenshot fail.
readonly shot=/tmp/out.png
readonly lock=/tmp/handfolio-wayland-session.lock
readonly libexec=/usr/libexec
readonly unavailable=77

say() { printf 'wayland-session: %s\n' "$*" >&2; }
# How a failed start ends: unavailable until sway runs, then a failure.
# HANDFOLIO_NEED_WAYLAND=1 (the full test run sets it) makes every failed
# start a failure, so a machine that should have the desktop cannot skip it.
start_failure=$unavailable
[ "${HANDFOLIO_NEED_WAYLAND:-0}" = 1 ] && start_failure=1
cannot_start() {
    say "cannot start the desktop: $*"
    exit "$start_failure"
}

# Waits up to $1 seconds until the rest of the line succeeds.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

gone() { ! kill -0 "$1" 2>/dev/null; }

# The daemons of the session, stopped in reverse order, and the command.
pids=()
command_pid=

# The part that runs as the session's user: starts the desktop, runs the
# command and stops the desktop again. $1 is the session's folder, $2 true
# for an Xvfb of the session's own.
inside() {
    local run=$1 own_xvfb=$2
    shift 2
    mkdir -m 700 "$run/runtime" "$run/home" "$run/tmp" "$run/logs"
    export XDG_RUNTIME_DIR=$run/runtime HOME=$run/home TMPDIR=$run/tmp
    export XDG_CONFIG_HOME=$run/home/.config XDG_DATA_HOME=$run/home/.local/share
    export XDG_CACHE_HOME=$run/home/.cache XDG_STATE_HOME=$run/home/.local/state
    # The wlroots portal serves sway; the GTK one gives the Access dialogs
    # without which the portal offers no Screenshot at all.
    export XDG_CURRENT_DESKTOP=sway:GNOME XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=sway
    # Nothing reaches for the accessibility bus, dconf or an X server.
    export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory GDK_BACKEND=wayland
    unset WAYLAND_DISPLAY SWAYSOCK DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

    stop_all() {
        local i pid
        if [ -n "$command_pid" ]; then
            # The command's own children (the program a test starts) too.
            kill -TERM -- "-$command_pid" 2>/dev/null || true
            pids+=("$command_pid")
        fi
        for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
            kill -TERM "${pids[i]}" 2>/dev/null || true
        done
        for pid in "${pids[@]}"; do
            if ! wait_until 5 gone "$pid"; then
                kill -KILL "$pid" 2>/dev/null || true
            fi
            wait "$pid" 2>/dev/null || true
        done
        pids=()
    }
    show_logs() {
        local log
        for log in "$run"/logs/*.log; do
            [ -s "$log" ] || continue
            say "last lines of ${log##*/}:"
            tail -n 15 "$log" >&2
        done
    }
    trap stop_all EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT

    # Starts a daemon in the background, its output in its own log.
    start() {
        local name=$1
        shift
        "$@" >"$run/logs/$name.log" 2>&1 &
        pids+=("$!")
    }
    # Fails the start when the daemon started last ends, or does not reach
    # the state that the rest of the line tests within 15 seconds.
    ready() {
        local name=$1 what=$2 pid=${pids[-1]} deadline=$((SECONDS + 15))
        shift 2
        until "$@" >/dev/null 2>&1; do
            if ! kill -0 "$pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
                show_logs
                cannot_start "$name did not $what"
            fi
            sleep 0.05
        done
    }
    offers_screenshot() {
        dbus-send --session --dest=org.freedesktop.portal.Desktop --print-reply /org/freedesktop/portal/desktop \
            org.freedesktop.DBus.Introspectable.Introspect | grep -q org.freedesktop.portal.Screenshot
    }
    on_bus() {
        dbus-send --session --dest=org.freedesktop.DBus --print-reply /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'
    }

    # A bus that starts nothing by itself: every service below is started
    # here and stopped here.
    cat >"$run/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    if [ "$own_xvfb" = true ]; then
        start xvfb Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/display"
        ready Xvfb "open a display" test -s "$run/display"
        DISPLAY=:$(<"$run/display")
        export DISPLAY
        unset XAUTHORITY
    fi

    export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
    start dbus dbus-daemon --nofork --nopidfile --config-file="$run/bus.conf"
    ready dbus-daemon "open the session bus" on_bus org.freedesktop.DBus

    start pipewire pipewire
    ready pipewire "open its socket" test -S "$XDG_RUNTIME_DIR/pipewire-0"

    # One output as large as the X screen, at its origin, so that a point of
    # the X screen is the same point of the Wayland desktop.
    {
        local size
        if size=$(xdotool getdisplaygeometry 2>/dev/null); then
            echo "output * resolution ${size// /x} position 0 0"
        fi
        echo "default_border none"
        echo "focus_follows_mouse no"
        echo "mouse_warping none"
        echo "xwayland disable"
    } >"$run/sway.conf"
    WLR_BACKENDS=x11 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 start sway sway -c "$run/sway.conf"
    local me
    me=$(id -u)
    export SWAYSOCK=$XDG_RUNTIME_DIR/sway-ipc.$me.${pids[-1]}.sock
    ready sway "answer on its socket" swaymsg -t get_version
    local socket
    for socket in "$XDG_RUNTIME_DIR"/wayland-*; do
        if [ -S "$socket" ]; then
            export WAYLAND_DISPLAY=${socket##*/}
        fi
    done
    [ -n "${WAYLAND_DISPLAY:-}" ] || cannot_start "sway opened no Wayland socket"
    start_failure=1

    start permission-store "$libexec/xdg-permission-store" --replace
    ready xdg-permission-store "join the bus" on_bus org.freedesktop.impl.portal.PermissionStore
    start portal-wlr "$libexec/xdg-desktop-portal-wlr" --replace
    ready xdg-desktop-portal-wlr "join the bus" on_bus org.freedesktop.impl.portal.desktop.wlr
    start portal-gtk "$libexec/xdg-desktop-portal-gtk" --replace
    ready xdg-desktop-portal-gtk "join the bus" on_bus org.freedesktop.impl.portal.desktop.gtk
    start portal "$libexec/xdg-desktop-portal" --replace
    ready xdg-desktop-portal "offer org.freedesktop.portal.Screenshot" offers_screenshot

    local status=0
    setsid "$@" &
    command_pid=$!
    wait "$command_pid" || status=$?
    command_pid=
    [ "$status" -eq 0 ] || show_logs
    return "$status"
}

# The script runs itself again as the session's user for the inner part.
if [ "${1:-}" = "--inside" ]; then
    shift
    inside "$@"
    exit
fi

own_xvfb=false
while [ "$#" -gt 0 ]; do
    case $1 in
        --xvfb) own_xvfb=true ;;
        --) shift && break ;;
        *) break ;;
    esac
    shift
done
[ "$#" -gt 0 ] || {
    say "usage: $0 [--xvfb] [--] COMMAND [ARGUMENT ...]"
    exit 2
}
if [ "$own_xvfb" = true ]; then
    command -v Xvfb >/dev/null || cannot_start "Xvfb is not installed"
else
    [ -n "${DISPLAY:-}" ] || cannot_start "no X display to draw into (DISPLAY is empty)"
fi
for program in sway swaymsg pipewire grim dbus-daemon dbus-send flock setpriv setsid \
    "$libexec/xdg-desktop-portal" "$libexec/xdg-desktop-portal-wlr" "$libexec/xdg-desktop-portal-gtk" \
    "$libexec/xdg-permission-store"; do
    command -v "$program" >/dev/null || cannot_start "$program is not installed (scripts/setup.sh installs it)"
done

# One session at a time on this machine: they would share the screenshot file
# and, the first time, the making of the user.
[ -e "$lock" ] || (umask 022 && : >"$lock") 2>/dev/null || true
exec {lock_fd}<"$lock"
flock -w 120 "$lock_fd" || {
    say "another session still runs after two minutes"
    exit 1
}

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    if ! id -u "$session_user" >/dev/null 2>&1; then
        useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
            "$session_user"
    fi
    as_user=(setpriv --reuid="$session_user" --regid="$session_user" --init-groups --)
    uid=$(id -u "$session_user")
else
    uid=$(id -u)
fi
self=$(readlink -f "$0")

# In /tmp, which the session's user can reach whatever TMPDIR says.
run=$(mktemp -d /tmp/handfolio-wayland.XXXXXX)
chmod 711 "$run"
inner=
cleanup() {
    local status=$?
    if [ -n "$inner" ]; then
        kill -TERM "$inner" 2>/dev/null || true
        wait "$inner" 2>/dev/null || true
    fi
    # The screenshot is the session's own and would stop the next user's.
    if [ -e "$shot" ] && [ "$(stat -c %u "$shot")" = "$uid" ]; then
        rm -f "$shot"
    fi
    rm -rf "$run"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

if [ -e "$shot" ] && [ "$(stat -c %u "$shot")" != "$uid" ]; then
    if [ "${#as_user[@]}" -gt 0 ]; then
        rm -f "$shot"
    else
        say "$shot belongs to another user, and the portal could not write its screenshots"
        exit 1
    fi
fi

# The session's user reads the X display's cookie from a copy of its own,
# and the session has a home of its own.
session_dir=$run/session
mkdir -m 700 "$session_dir"
cookies=${XAUTHORITY:-${HOME:-/nonexistent}/.Xauthority}
if [ -r "$cookies" ]; then
    cp "$cookies" "$session_dir/Xauthority"
    export XAUTHORITY=$session_dir/Xauthority
fi
[ "${#as_user[@]}" -eq 0 ] || chown -R "$session_user:" "$session_dir"

"${as_user[@]}" bash "$self" --inside "$session_dir" "$own_xvfb" "$@" {lock_fd}<&- &
inner=$!
status=0
wait "$inner" || status=$?
inner=
exit "$status"
