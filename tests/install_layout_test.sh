#!/usr/bin/env bash
# Each package's install rules put exactly its files where desktops, man and
# dpkg look for them, every rule names its package, and the command line needs
# no Qt.
#   install_layout_test.sh CMAKE BUILD_DIR PACKAGING_DIR PACKAGE,PACKAGE…
set -euo pipefail
cmake=$1 build=$2 packaging=$3
IFS=, read -r -a packages <<<"$4"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
status=0
fail() { echo "$*"; status=1; }

install_component() { # component: into $stage/component, listing its files
    "$cmake" --install "$build" --component "$1" --prefix "$stage/$1" >/dev/null
    mkdir -p "$stage/$1"
    (cd "$stage/$1" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
}

# A rule without a COMPONENT lands in no package.
unnamed=$(install_component Unspecified)
[ -z "$unnamed" ] || fail "installed by a rule that names no package:" $unnamed

for package in "${packages[@]}"; do
    files=$(install_component "$package")
    docs="share/doc/$package/changelog.Debian.gz
share/doc/$package/copyright"
    case $package in
    kalvenor)
        expected="bin/kalvenor
share/applications/kalvenor.desktop
$docs
share/icons/hicolor/scalable/apps/kalvenor.svg
share/man/man1/kalvenor.1.gz" ;;
    kalvenor-cli)
        expected="bin/kalvenor-cli
$docs
share/man/man1/kalvenor-cli.1.gz" ;;
    python3-kalvenor)
        # The module's own files are its business; they stay in its folder,
        # with the compiled part among them.
        module=lib/python3/dist-packages/kalvenor
        grep -q "^$module/.*\.so$" <<<"$files" || fail "python3-kalvenor: no compiled module in $module"
        expected=$(printf '%s\n' "$files" | grep "^$module/" || true)
        expected=$(printf '%s\n%s\n' "$expected" "$docs" | LC_ALL=C sort) ;;
    *)
        fail "unknown package $package"
        continue ;;
    esac
    [ "$files" = "$expected" ] || fail "$package installs
$files
instead of
$expected"

    cmp -s "$stage/$package/share/doc/$package/copyright" "$packaging/copyright" \
        || fail "$package: copyright differs from packaging/copyright"
    # Reproducible: gzip -n leaves the header's name flag and time at 0.
    changelog=$stage/$package/share/doc/$package/changelog.Debian.gz
    [ "$(od -An -tx1 -j3 -N5 "$changelog" | tr -d ' \n')" = 0000000000 ] \
        || fail "$package: changelog.Debian.gz keeps a file name or time"
    gzip -dc "$changelog" | head -n 1 | grep -q "^kalvenor ([0-9.]*-[0-9]*) " \
        || fail "$package: the changelog's first line names no Debian revision"
done

# Each man page is installed unchanged, in the package of the program it is
# named after, when that package is built.
for page in "$packaging"/*.1; do
    name=$(basename "$page")
    [[ " ${packages[*]} " == *" ${name%.1} "* ]] || continue
    installed=$stage/${name%.1}/share/man/man1/$name.gz
    gzip -dc "$installed" 2>/dev/null | cmp -s - "$page" || fail "not installed as it is: $installed"
done

# The command line's package would pull in all of Qt.
cli=$stage/kalvenor-cli/bin/kalvenor-cli
needed=$(readelf -d "$cli" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || fail "no shared libraries read from $cli"
qt=$(grep -i '^libQt' <<<"$needed" || true)
[ -z "$qt" ] || fail "kalvenor-cli links Qt:" $qt
exit $status
