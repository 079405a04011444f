#!/bin/sh
# Installs every Debian package that building, running and testing Halvera needs.
# Idempotent: quiet and quick when everything is present.
set -eu

PACKAGES="g++ cmake ninja-build pkg-config git libgtest-dev libgmock-dev libbenchmark-dev
qt6-base-dev qt6-multimedia-dev libpcap-dev libcap-dev libcap2-bin nftables iproute2 procps ieee-data
fonts-ipafont-gothic desktop-file-utils xvfb xauth xdotool trayer imagemagick clang-format python3-aiosmtpd dovecot-pop3d samba"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "halvera: installing$missing"
export DEBIAN_FRONTEND=noninteractive
case " $missing " in
*" samba "*)
    # Only the lab's own nmbd, in a namespace, is wanted. The packaged services would serve
    # this machine's real network from the moment they are installed.
    if [ -d /run/systemd/system ]; then
        echo "halvera: masking the smbd, nmbd and samba-ad-dc services (systemctl unmask to use them)"
        $SUDO systemctl mask --quiet smbd.service nmbd.service samba-ad-dc.service
    fi
    ;;
esac
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
