#!/bin/sh
# Gives the raw-frame right to the capture helper in FOLDER/bin and to nothing else: the
# program and halvera-cli hold no capability and start the helper. The helper becomes
# root:halvera, mode 0750, with cap_net_raw, so members of the group halvera run it (and
# through it search the network); the group is created when missing. Needs root (or sudo);
# without it the front ends work only as root. setcap is lost on every relink, so the build
# runs this after each build.
set -u
FOLDER=$1
HELPER=$FOLDER/bin/halvera-capture
# The one capability the helper needs: packet sockets and promiscuous membership on them.
CAPABILITIES=cap_net_raw+ep
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo -n"

fail() {
    echo "halvera: $1; run the set-up as root (or with sudo), or run Halvera as root" >&2
    exit 0
}

# Earlier builds gave the front ends the rights themselves: take them back.
for exe in "$FOLDER/halvera" "$FOLDER/halvera-cli"; do
    if [ -x "$exe" ] && [ -n "$(getcap "$exe" 2>/dev/null)" ]; then
        $SUDO setcap -r "$exe" 2>/dev/null || fail "could not take the capabilities back from $exe"
    fi
done

[ -x "$HELPER" ] || exit 0
if ! getent group halvera >/dev/null; then
    $SUDO groupadd --system halvera 2>/dev/null || fail "could not create the group halvera"
fi
$SUDO chown root:halvera "$HELPER" 2>/dev/null &&
    $SUDO chmod 0750 "$HELPER" &&
    $SUDO setcap "$CAPABILITIES" "$HELPER" 2>/dev/null ||
    fail "could not grant $CAPABILITIES to $HELPER"

user=${SUDO_USER:-$(id -un)}
if [ "$user" != root ] && ! id -nG "$user" | tr ' ' '\n' | grep -qx halvera; then
    echo "halvera: to search the network as $user, join the halvera group and log in again:" >&2
    echo "    sudo usermod -aG halvera $user" >&2
fi
exit 0
