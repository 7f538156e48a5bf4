#!/usr/bin/env bash
# A DESTDIR installation whose programs start from the installed tree alone, and the Debian package:
# its files, its computed dependencies, and the desktop entry and metainfo as the validators see them.
#   install_and_package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
programs=(Dalmiro zbsim brivola-monitor pravel)
private=(libdalmiro_platform.so libdalmiro_app.so libBrivola.so libPravel.so)

# Every program answers --help, --version and a wrong option, and finds its private libraries in the
# tree it was installed to.
check_programs() {  # ROOT
  local root=$1 p exe rc lib
  for p in "${programs[@]}"; do
    exe=$root/usr/bin/$p
    [ "$(env -u LD_LIBRARY_PATH "$exe" --version)" = "$p $version" ] || fail "$exe --version"
    env -u LD_LIBRARY_PATH "$exe" --help | grep -q "^usage: $p" || fail "$exe --help"
    rc=0
    env -u LD_LIBRARY_PATH "$exe" --no-such-option >/dev/null 2>"$work/err" || rc=$?
    [ "$rc" -eq 2 ] && grep -q "usage" "$work/err" || fail "$exe --no-such-option: exit $rc"
    ldd "$exe" >"$work/ldd"
    for lib in "${private[@]}"; do
      if grep -F "$lib" "$work/ldd" | grep -vqF "=> $root/"; then fail "$exe takes $lib from outside $root"; fi
    done
  done
}

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
check_programs "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$work"/root/usr/share/metainfo/*.metainfo.xml >"$work/appstream" ||
  { cat "$work/appstream"; fail "appstreamcli validate"; }
for size in 16 22 24 32 48 64 128 256; do
  icon=$work/root/usr/share/icons/hicolor/${size}x${size}/apps/com.northgateradio.dalmiro.png
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "no PNG icon at $size"
done

# gzip rather than xz: the same package, made in a fraction of the time.
(cd "$build" && cpack -G DEB -B "$work/pkg" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/dalmiro_"$version"_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' >"$work/depends"
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
  grep -qxF "$needed" "$work/depends" || fail "Depends lacks $needed: $depends"
done
if grep -Eiq "brivola|pravel|dalmiro" "$work/depends"; then fail "Depends names a private library: $depends"; fi
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for path in usr/bin/Dalmiro usr/share/applications/com.northgateradio.dalmiro.desktop \
            usr/share/metainfo/com.northgateradio.dalmiro.metainfo.xml \
            usr/share/icons/hicolor/256x256/apps/com.northgateradio.dalmiro.png \
            usr/share/man/man1/Dalmiro.1.gz usr/share/man/man1/pravel.1.gz usr/share/doc/dalmiro/copyright; do
  grep -qx "./$path" "$work/contents" || fail "package lacks /$path"
done
for lib in "${private[@]}"; do grep -Eq "^\./usr/lib/(.*/)?dalmiro/$lib$" "$work/contents" || fail "package lacks $lib"; done
# The package's own programs, stripped, start from where the package puts them.
dpkg-deb -x "$deb" "$work/unpacked"
check_programs "$work/unpacked"
# Every program and library is linked hardened: relocations read-only, every symbol bound at start.
elves=0
while IFS= read -r -d '' f; do
  [ "$(head -c 4 "$f" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] || continue
  elves=$((elves + 1))
  readelf -lW "$f" | grep -q GNU_RELRO || fail "$f lacks RELRO"
  readelf -dW "$f" | grep -Eq '\(FLAGS(_1)?\).*\bNOW\b|\(BIND_NOW\)' || fail "$f is not bound at start (BIND_NOW)"
done < <(find "$work/unpacked" -type f -print0)
[ "$elves" -eq $((${#programs[@]} + ${#private[@]})) ] || fail "found $elves ELF files in the package"
# The documents installed for users stand on their own: no build commands, no pictures left behind.
guide=$work/unpacked/usr/share/doc/dalmiro/user-guide.md
[ -f "$guide" ] || fail "package lacks the user guide"
if grep -nE 'make (run|test|bench|package)|docs/|build/' "$guide"; then fail "the user guide speaks of the source tree"; fi
if [ -e "$work/unpacked/usr/share/doc/dalmiro/README.md" ]; then fail "the developers' README is installed"; fi
for doc in $(grep -o '`[A-Za-z0-9_-]*\.md`' "$guide" | tr -d '`' | sort -u); do
  [ -f "$work/unpacked/usr/share/doc/dalmiro/$doc" ] || fail "the user guide speaks of $doc, which is not installed"
done
echo "install and package: all checks passed"
