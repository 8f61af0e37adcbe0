#!/bin/sh
# Installs the build into a temporary prefix and starts the installed programs as a user whose
# data directory does not exist yet: it is made under ~/.local/share and seeded. (A folder named
# with --data-dir is seeded from the same place: the model's and the command line's tests.)
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/usr" >/dev/null
cd "$tmp/usr"
for file in bin/parvel-cli bin/turnwheel share/applications/parvel.desktop \
    share/icons/hicolor/256x256/apps/parvel.png share/icons/hicolor/scalable/apps/parvel.svg \
    share/parvel-pro/help/index.html lib/systemd/user/parvel-turnwheel.timer \
    share/man/man1/parvel-cli.1.gz share/bash-completion/completions/parvel-cli \
    share/metainfo/org.example.parvel.metainfo.xml; do
  test -e "$file" || { echo "not installed: $file"; exit 1; }
done
# The desktop program answers without a display.
if [ -e bin/parvel ]; then
  bin/parvel --version | grep -qx "parvel (Parvel Pro) 1.01"
  bin/parvel --help | grep -q "usage: parvel"
fi
grep -qx "ExecStart=$tmp/usr/bin/turnwheel" lib/systemd/user/parvel-turnwheel.service
# The entry and the units pass their format checkers where those are installed.
! command -v desktop-file-validate >/dev/null ||
  desktop-file-validate share/applications/parvel.desktop
! command -v systemd-analyze >/dev/null ||
  systemd-analyze verify lib/systemd/user/parvel-turnwheel.service \
    lib/systemd/user/parvel-turnwheel.timer
mkdir "$tmp/home"
# An empty XDG_DATA_HOME counts as unset.
HOME="$tmp/home" XDG_DATA_HOME= bin/parvel-cli new-site Test </dev/null >/dev/null
data="$tmp/home/.local/share/parvel-pro"
for folder in Styles Samples navgraph help icons; do
  test -d "$data/$folder" || { echo "not seeded: $folder"; exit 1; }
done
cmp share/parvel-pro/help/index.html "$data/help/index.html"
grep -q "Site_1=Test" "$data/sites.ini"
HOME="$tmp/home" XDG_DATA_HOME= bin/turnwheel </dev/null >/dev/null

echo "installed and seeded"
