#!/usr/bin/env bash
# cmake --install puts the program, its desktop entry, its icon and every man
# page in packaging/ where desktops and man look for them.
#   install_layout_test.sh CMAKE BUILD_DIR PACKAGING_DIR
set -euo pipefail
cmake=$1 build=$2 packaging=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

"$cmake" --install "$build" --prefix "$stage" >/dev/null
status=0
for file in bin/kalvenor bin/kalvenor-cli share/applications/kalvenor.desktop share/icons/hicolor/scalable/apps/kalvenor.svg; do
    [ -f "$stage/$file" ] || { echo "not installed: $file"; status=1; }
done
for page in "$packaging"/*.1; do
    installed=$stage/share/man/man1/$(basename "$page").gz
    gzip -dc "$installed" 2>/dev/null | cmp -s - "$page" || { echo "not installed as it is: $installed"; status=1; }
done
exit $status
