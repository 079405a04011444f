#!/bin/sh
# Gives the front ends in FOLDER the rights to send and capture raw Ethernet frames, so
# they run as the desktop user. Needs root (or sudo); without it the program runs only as root.
set -u
FOLDER=$1
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo -n"
for exe in "$FOLDER/halvera" "$FOLDER/halvera-cli"; do
    [ -x "$exe" ] || continue
    if ! $SUDO setcap cap_net_raw,cap_net_admin+ep "$exe" 2>/dev/null; then
        echo "halvera: could not grant capabilities to $exe; run it as root or grant them with setcap" >&2
    fi
done
exit 0
