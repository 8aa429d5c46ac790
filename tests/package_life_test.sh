#!/usr/bin/env bash
# The packages' life on a machine: installed, used, removed and purged as the
# README says, with no file of theirs left and the module gone for Python.
# It runs in a throw-away copy of this system (an overlay on / in a mount
# namespace of its own), so the machine itself never changes; that needs root,
# and without it the test exits 77 (skipped).
#   package_life_test.sh PACKAGE.deb…
set -euo pipefail

case ${1:-} in
--mounted) # TMP: in the new namespace, sets up the copy and enters it
    tmp=$2 root=$2/root
    mount -t overlay overlay -o "lowerdir=/,upperdir=$tmp/upper,workdir=$tmp/work" "$root" 2>/dev/null || {
        echo "skipped: no overlay file system for a throw-away copy of the system"
        exit 77
    }
    mount --rbind /dev "$root/dev"
    mount -t proc proc "$root/proc"
    mount -t tmpfs tmpfs "$root/tmp"
    cp -r "$tmp/in" "$root/tmp/"
    # What the copy wrote, and the system as it was, to tell what was left.
    mkdir "$root/tmp/upper" "$root/tmp/lower"
    mount --bind "$tmp/upper" "$root/tmp/upper"
    mount --bind / "$root/tmp/lower"
    exec chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
        bash /tmp/in/package_life_test.sh --inside
    ;;
--inside) ;; # in the copy: the life itself, below
*)
    [ $# -gt 0 ] || { echo "usage: $0 PACKAGE.deb…" >&2; exit 2; }
    if [ "$(id -u)" -ne 0 ]; then
        echo "skipped: needs root for a throw-away copy of the system"
        exit 77
    fi
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    mkdir "$tmp"/{upper,work,root,in}
    cp "$@" "$tmp/in/"
    cp "$0" "$tmp/in/package_life_test.sh"
    unshare --mount --propagation private true 2>/dev/null || {
        echo "skipped: no mount namespace for a throw-away copy of the system"
        exit 77
    }
    unshare --mount --propagation private bash "$0" --mounted "$tmp"
    exit
    ;;
esac

cd /tmp/in
mapfile -t debs < <(ls ./*.deb)
mapfile -t packages < <(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done)
status=0
fail() { echo "FAIL: $*"; status=1; }
# Files and folders the copy gained and the system did not have, outside the
# package manager's records, logs and caches and root's home. Only the copy's
# own writes count, not what others change on the machine meanwhile.
left() {
    (cd /tmp/upper && find . \( -path ./var/lib/dpkg -o -path ./var/lib/apt -o -path ./var/log \
        -o -path ./var/cache -o -path ./root -o -path ./tmp \) -prune -o ! -type c -printf '%P\n') |
        while read -r path; do
            if [ -n "$path" ] && ! [ -e "/tmp/lower/$path" ] && ! [ -L "/tmp/lower/$path" ]; then
                echo "/$path"
            fi
        done | LC_ALL=C sort
}
apt() { DEBIAN_FRONTEND=noninteractive apt-get -y --no-install-recommends "$@" >>apt.log 2>&1; }

# Whatever this machine had of them before is not part of the test.
apt purge "${packages[@]}" || true

use() {
    for package in "${packages[@]}"; do
        case $package in
        kalvenor)
            # Offscreen it needs no display; still running when stopped means
            # it came up.
            QT_QPA_PLATFORM=offscreen timeout 3 kalvenor >window.log 2>&1 && window=0 || window=$?
            [ "$window" = 124 ] || { fail "kalvenor ended with status $window:"; cat window.log; }
            man -w kalvenor >/dev/null 2>&1 || [ ! -x /usr/bin/man ] || fail "man finds no page for kalvenor" ;;
        kalvenor-cli)
            out=$(kalvenor-cli --mach 2 --csv) || fail "kalvenor-cli --mach 2 exited $?"
            grep -q '^sup,2,' <<<"$out" || fail "kalvenor-cli --mach 2 printed: $out"
            man -w kalvenor-cli >/dev/null 2>&1 || [ ! -x /usr/bin/man ] || fail "man finds no page for kalvenor-cli" ;;
        python3-kalvenor)
            # Imported by root, as a newcomer might: had the install not
            # compiled it, Python would write bytecode no package owns.
            dir=/usr/lib/python3/dist-packages/kalvenor
            ls "$dir"/__pycache__/*.pyc >/dev/null 2>&1 || fail "no bytecode compiled in $dir/__pycache__ on install"
            MPLBACKEND=Agg python3 -c '
import kalvenor
assert abs(kalvenor.ratios(2.0).p0 - 1.5031) < 1e-4
try:
    import matplotlib
except ImportError:
    pass
else:
    kalvenor.plot_heat(0.3, T0_ratio=1.5).figure.savefig("/tmp/heat.png")
' || fail "the module did not work" ;;
        *) fail "unknown package $package" ;;
        esac
    done
}

# Removed, or purged at once: without conffiles, remove leaves nothing to
# purge, and apt no longer knows the packages.
for end in remove purge; do
    : >apt.log
    if ! apt install "${debs[@]}"; then
        fail "install failed:"
        tail -n 30 apt.log
        exit 1
    fi
    use
    : >apt.log
    apt "$end" "${packages[@]}" || { fail "$end failed:"; tail -n 20 apt.log; }
    # dpkg says "directory … not empty so not removed" as a warning.
    if grep -i 'warning' apt.log; then fail "$end warned"; fi
    stale=$(left)
    [ -z "$stale" ] || fail "left after $end:
$stale"
    if out=$(python3 -c 'import kalvenor' 2>&1); then
        fail "import kalvenor still works after $end"
    elif [[ $out != *"ModuleNotFoundError: No module named 'kalvenor'"* ]]; then
        fail "import kalvenor after $end: $out"
    fi
    for package in "${packages[@]}"; do
        state=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
        [ -z "${state// /}" ] || [ "${state:0:2}" = un ] || fail "$package is still known to dpkg after $end as '$state'"
    done
done
[ "$status" = 0 ] && echo "${packages[*]}: installed, used, removed or purged; nothing left"
exit $status
