#!/bin/sh
# The Debian package: what it holds (all of it under /usr, so removing it leaves nothing outside
# the user's home), its dependencies, lintian without errors, the desktop entry and AppStream
# validators, and the programs unpacked from it answering --version with the package's version.
set -eu
deb=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package: $*"; exit 1; }

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$tmp/contents"
for file in bin/parvel bin/parvel-cli bin/turnwheel share/applications/parvel.desktop \
    share/metainfo/org.example.parvel.metainfo.xml share/man/man1/parvel.1.gz \
    share/man/man1/parvel-cli.1.gz share/man/man1/turnwheel.1.gz \
    share/bash-completion/completions/parvel-cli share/icons/hicolor/256x256/apps/parvel.png \
    share/icons/hicolor/scalable/apps/parvel.svg share/parvel-pro/Styles/Sample_With_Index.htm \
    share/parvel-pro/Samples/Next.gif share/parvel-pro/help/index.html \
    share/parvel-pro/icons/parvel.png lib/systemd/user/parvel-turnwheel.service \
    lib/systemd/user/parvel-turnwheel.timer share/doc/parvel-pro/copyright \
    share/doc/parvel-pro/changelog.gz; do
  grep -qx "\./usr/$file" "$tmp/contents" || fail "does not hold /usr/$file"
done
outside=$(grep -v -e '^\./$' -e '^\./usr/' "$tmp/contents" || true)
[ -z "$outside" ] || fail "holds files outside /usr: $outside"

[ "$(dpkg-deb -f "$deb" Package)" = parvel-pro ] || fail "is not named parvel-pro"
version=$(dpkg-deb -f "$deb" Version)
case $(basename "$deb") in
  "parvel-pro_${version}_$(dpkg --print-architecture).deb") ;;
  *) fail "file name $(basename "$deb") is not parvel-pro_${version}_ARCH.deb" ;;
esac
depends=$(dpkg-deb -f "$deb" Depends)
for package in qt6-qpa-plugins libqt6widgets6 libjpeg62-turbo libpng16-16 libheif1 libc6; do
  printf '%s\n' "$depends" | grep -q "\b$package\b" || fail "does not depend on $package: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q xdg-utils || fail "does not recommend xdg-utils"

lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" >"$tmp/lintian" 2>&1 || {
  cat "$tmp/lintian"
  fail "lintian reports errors"
}
grep -v 'running with root privileges' "$tmp/lintian" | sed 's/^/  lintian: /' || true

dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp/root/usr/share/applications/parvel.desktop"
appstreamcli validate --no-net --pedantic \
  "$tmp/root/usr/share/metainfo/org.example.parvel.metainfo.xml" >"$tmp/appstream" 2>&1 || {
  cat "$tmp/appstream"
  fail "appstreamcli rejects the metadata"
}
grep -qx "ExecStart=/usr/bin/turnwheel" "$tmp/root/usr/lib/systemd/user/parvel-turnwheel.service" ||
  fail "the service does not start /usr/bin/turnwheel"
for program in parvel parvel-cli turnwheel; do
  answer=$("$tmp/root/usr/bin/$program" --version)
  [ "$answer" = "$program (Parvel Pro) $version" ] || fail "$program --version says: $answer"
done
echo "package $(basename "$deb") checked"
