#!/usr/bin/env bash
# The packages are the same bytes whatever was built before and wherever the
# sources are: a fresh clone in another folder, built first as run.sh builds
# (no fixed time) and then packaged, gives each package given here unchanged.
# Compares with the commit checked out, so it skips (77) a tree with changes.
#   reproducible_packages_test.sh PACKAGE.deb…
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 PACKAGE.deb…" >&2; exit 2; }
debs=()
for deb in "$@"; do debs+=("$(realpath "$deb")"); done
cd "$(dirname "$0")/.."
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "skipped: the tree has changes a clone would not have"
    exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
clone=$tmp/elsewhere/kalvenor
git clone -q --no-hardlinks . "$clone"
cd "$clone"
env -u SOURCE_DATE_EPOCH bash -c 'cmake --preset release && cmake --build --preset release' >"$tmp/build.log" 2>&1 \
    || { tail -n 30 "$tmp/build.log"; exit 1; }
tools/package.sh >/dev/null
status=0
for deb in "${debs[@]}"; do
    again=build/release/$(basename "$deb")
    if ! cmp -s "$deb" "$again"; then
        echo "FAIL: $(basename "$deb") differs when built elsewhere after a build as run.sh's"
        status=1
    fi
done
[ "$status" = 0 ] && echo "${#debs[@]} packages the same when built elsewhere after a build as run.sh's"
exit $status
