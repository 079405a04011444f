#!/bin/sh
# Installs the Debian packages Halvera needs: those that building and running it need, and
# with --tests those that its tests, benchmarks and screenshots add.
# Idempotent: quiet and quick when everything is present.
set -eu

# Building and running: compiler and build tools (git gives the build's commit), Qt, libpcap
# and libcap, setcap for the capture helper, the IEEE vendor list the build turns into
# maclist.ini, a font for the Japanese texts, OpenSSL with the trusted certificates for
# mail over TLS, ccache, which the build uses to skip recompiling unchanged files, libdbus
# for the popup messages that go to the desktop's notification service, and nlohmann's JSON
# library (headers only) for halvera-cli --json.
RUN_PACKAGES="g++ cmake ninja-build pkg-config git qt6-base-dev qt6-multimedia-dev libpcap-dev
libcap-dev libcap2-bin ieee-data fonts-ipafont-gothic libssl-dev ca-certificates ccache
libdbus-1-dev nlohmann-json3-dev"

# The tests add: GoogleTest and Google Benchmark, the lab (namespaces, nftables, Samba's name
# server, tcpdump for the frames on the wire), real mail servers (the system's Python with
# aiosmtpd, Dovecot), an X server with a tray and input for the windows, a session bus with a
# notification daemon, desktop entry checks, screenshots, the formatter, the package checks
# (lintian, systemd-analyze for the units, hardening-check from devscripts, debootstrap for
# the throwaway Debian root of scripts/package-root-test), groff for the manual pages, the
# openssl program for the mail tests' certificates, arp-scan, the benchmarks' yardstick, and
# useradd and userdel (passwd) for the users that the popup program's tests add.
# Every program a test, benchmark or script starts must come from here; the unit test
# SetupPrograms holds them to it.
TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev nftables iproute2 procps samba
tcpdump python3 python3-aiosmtpd dovecot-pop3d xvfb xauth xdotool trayer dbus-daemon dbus-bin
dunst imagemagick desktop-file-utils clang-format dpkg-dev lintian devscripts appstream man-db
groff-base systemd debootstrap openssl arp-scan passwd"

PACKAGES=$RUN_PACKAGES
[ "${1:-}" = "--tests" ] && PACKAGES="$RUN_PACKAGES $TEST_PACKAGES"

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
# Only the tests' own servers, started by the tests on loopback or in the lab's namespaces,
# are wanted. The packaged services would serve this machine's real network from the moment
# they are installed, and stay enabled at boot.
mask() {
    if [ -d /run/systemd/system ]; then
        echo "halvera: masking $* (systemctl unmask to use them)"
        $SUDO systemctl mask --quiet "$@"
    fi
}
case " $missing " in *" samba "*) mask smbd.service nmbd.service samba-ad-dc.service ;; esac
case " $missing " in *" dovecot-pop3d "*) mask dovecot.service dovecot.socket ;; esac
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
# Where no systemd runs (a container), the packages' scripts may have started the servers.
for service in dovecot smbd nmbd; do
    case " $missing " in *" samba "* | *" dovecot-pop3d "*)
        if [ ! -d /run/systemd/system ] && command -v service >/dev/null 2>&1; then
            $SUDO service "$service" stop >/dev/null 2>&1 || true
        fi
        ;;
    esac
done
