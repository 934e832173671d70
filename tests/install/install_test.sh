#!/usr/bin/env bash
# The installed program: installs the build into a DESTDIR and runs it from
# there as a user would, with HOME and XDG_DATA_HOME in a scratch folder;
# checks the desktop entry, the MIME type and the Debian package.
#   install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/pelu-install-XXXXXX")"
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

destdir="$scratch/root"
DESTDIR="$destdir" cmake --install "$build" >"$scratch/install.log"
prefix="$destdir$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")"
bin="$prefix/bin/pelublock"
share="$prefix/share"

echo "== installed files"
for file in bin/pelublock bin/pelublock-robot libexec/pelublock/pelublock-window \
  share/pelublock/setting.ini share/pelublock/ChipDB.txt share/pelublock/samples/square.bhb \
  share/pelublock/skin/def_skn.txt share/pelublock/skin/editor.bmp \
  share/applications/pelublock.desktop share/mime/packages/pelublock.xml \
  share/icons/hicolor/48x48/apps/pelublock.png share/icons/hicolor/128x128/apps/pelublock.png \
  share/icons/hicolor/256x256/apps/pelublock.png share/man/man1/pelublock.1.gz \
  share/man/man1/pelublock-robot.1.gz; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for size in 48 128 256; do
  file "$share/icons/hicolor/${size}x${size}/apps/pelublock.png" |
    grep -q "PNG image data, $size x $size, 8-bit/color RGBA" || fail "the $size px icon"
done

echo "== desktop entry and MIME type"
desktop-file-validate "$share/applications/pelublock.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=pelublock %f' "$share/applications/pelublock.desktop" || fail "Exec takes a file"
grep -qx 'MimeType=application/x-pelublock-program;' "$share/applications/pelublock.desktop" ||
  fail "the entry's MIME type"
xmllint --noout "$share/mime/packages/pelublock.xml" || fail "xmllint"
# The MIME database compiled from our file alone must know the glob and the
# magic, so that a file manager recognises .bhb files by name and content.
mkdir -p "$scratch/mime/packages"
cp "$share/mime/packages/pelublock.xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" || fail "update-mime-database"
grep -q 'application/x-pelublock-program:\*\.bhb' "$scratch/mime/globs2" || fail "the glob"
grep -aq 'application/x-pelublock-program' "$scratch/mime/magic" || fail "the magic"
man -l "$share/man/man1/pelublock.1.gz" 2>/dev/null | grep -q -- '--data DIR' ||
  zcat "$share/man/man1/pelublock.1.gz" | grep -q 'BI \\-\\-data " DIR"' || fail "the manual page"

echo "== the entry links no display library"
readelf -d "$bin" | grep -iE 'NEEDED.*(sdl|x11|fontconfig|freetype)' &&
  fail "the installed pelublock links a display library"

echo "== version"
"$bin" --version | grep -qx 'pelublock [0-9][0-9.]*' || fail "--version"

echo "== first start copies, second reuses"
home="$scratch/home"
work="$scratch/work"
mkdir -p "$home" "$work"
cp "$share/pelublock/samples/square.bhb" "$work/dance.bhb"
user="$home/.local/share/pelublock"
(cd "$work" && HOME="$home" XDG_DATA_HOME= "$bin" compile dance.bhb) || fail "first compile"
for file in setting.ini ChipDB.txt samples/square.bhb samples/avoid.bhb arenas/square.arena; do
  cmp -s "$share/pelublock/$file" "$user/$file" || fail "$file was not copied"
done
[ -s "$user/out.r" ] || fail "out.r is written in the data directory"
(cd "$work" && HOME="$home" XDG_DATA_HOME= "$bin" run dance.bhb >/dev/null) ||
  fail "a sample does not run in the installed program's arena"
[ ! -e "$work/out.r" ] || fail "out.r was written in the current directory"
ls -A "$home/.local/share" | grep -qv '^pelublock$' && fail "a temporary folder was left"
printf '[general]\r\nIP=10.0.0.9\r\n' >"$user/setting.ini"
rm "$user/out.r"
(cd "$work" && HOME="$home" XDG_DATA_HOME=relative/dir "$bin" compile "$work/dance.bhb" -o mine.r) ||
  fail "second compile"
[ "$(cat "$user/setting.ini")" = "$(printf '[general]\r\nIP=10.0.0.9\r')" ] ||
  fail "the second start replaced the user's setting.ini"
[ -s "$work/mine.r" ] || fail "-o names a file where the user stands"
[ ! -e "$user/out.r" ] && [ ! -e "$user/mine.r" ] || fail "-o wrote into the data directory"

echo "== XDG_DATA_HOME"
xdg="$scratch/xdg"
(cd "$work" && HOME="$home" XDG_DATA_HOME="$xdg" "$bin" compile dance.bhb) || fail "XDG compile"
[ -f "$xdg/pelublock/setting.ini" ] || fail "XDG_DATA_HOME is not used"

echo "== a parent that cannot be written fails cleanly"
if [ "$(id -u)" -eq 0 ]; then
  # Permission bits do not stop root: a file in the way of the parent does.
  touch "$scratch/blocked"
  parent="$scratch/blocked/share"
else
  mkdir -p "$scratch/readonly"
  chmod 555 "$scratch/readonly"
  parent="$scratch/readonly/share"
fi
status=0
(cd "$work" && HOME="$home" XDG_DATA_HOME="$parent" "$bin" compile dance.bhb) \
  2>"$scratch/stderr" || status=$?
[ "$status" -eq 1 ] || fail "a data directory that cannot be made gives status 1, not $status"
grep -q "^pelublock: .*$parent" "$scratch/stderr" || fail "the message names the directory"
[ ! -e "$parent" ] || fail "something was left at $parent"

echo "== the headless editor starts on the installed skin"
rm -f "$user/ErrLog.txt"
status=0
(cd "$work" && HOME="$home" XDG_DATA_HOME= SDL_VIDEODRIVER=dummy timeout 3 "$bin") || status=$?
[ "$status" -eq 124 ] || fail "the editor ended with $status instead of running"
[ ! -e "$user/ErrLog.txt" ] || fail "the editor logged: $(head -c 300 "$user/ErrLog.txt")"

echo "== the Debian package"
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log") || fail "cpack"
  deb="$(ls "$scratch"/package/pelublock_*.deb)"
  info="$(dpkg-deb -I "$deb")"
  for field in 'Package: pelublock' 'Section: education' 'Depends: .*libsdl2-2.0-0' \
    'Depends: .*libsdl2-ttf-2.0-0' 'Depends: .*libpng16-16' 'Depends: .*libc6' \
    'Depends: .*fonts-ipafont-gothic' 'Recommends: zenity'; do
    grep -q "^ $field" <<<"$info" || fail "control field: $field"
  done
  grep -q 'postinst' <<<"$info" || fail "no postinst"
  grep -q 'postrm' <<<"$info" || fail "no postrm"
  contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
  for file in ./usr/bin/pelublock ./usr/bin/pelublock-robot \
    ./usr/libexec/pelublock/pelublock-window ./usr/share/pelublock/setting.ini \
    ./usr/share/pelublock/skin/def_skn.txt ./usr/share/applications/pelublock.desktop \
    ./usr/share/mime/packages/pelublock.xml ./usr/share/icons/hicolor/256x256/apps/pelublock.png \
    ./usr/share/man/man1/pelublock.1.gz ./usr/share/doc/pelublock/copyright; do
    grep -qx "$file" <<<"$contents" || fail "the package lacks $file"
  done
  grep -q '^\./usr/local' <<<"$contents" && fail "the package installs into /usr/local"
  if command -v lintian >/dev/null; then
    lintian "$deb" >"$scratch/lintian.log" 2>&1 || true
    grep -E "^(E|W):" "$scratch/lintian.log" && fail "lintian reports errors or warnings"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "all passed"
