#!/usr/bin/env bash
# The installed program: `cmake --install` into a scratch DESTDIR, the tree it makes, its
# desktop entries and metadata, the converter's manual page against its --help, and the
# installed program started as a user would, with HOME pointed at a scratch home.
# usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$work/root cmake --install "$build" >/dev/null
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
root=$work/root$prefix

# --- the tree -------------------------------------------------------------------------
for f in bin/kv4410pc bin/kv4410pc-demo bin/kv4410pc-convert \
         share/kv4410pc/qt44usb.pdf \
         lib/udev/rules.d/70-kv4410.rules \
         share/applications/org.kv4410pc.Octanometer.desktop \
         share/applications/org.kv4410pc.OctanometerDemo.desktop \
         share/icons/hicolor/scalable/apps/org.kv4410pc.Octanometer.svg \
         share/icons/hicolor/{48x48,64x64,128x128}/apps/org.kv4410pc.Octanometer.png \
         share/metainfo/org.kv4410pc.Octanometer.metainfo.xml \
         share/man/man1/kv4410pc.1.gz share/man/man1/kv4410pc-demo.1.gz \
         share/man/man1/kv4410pc-convert.1.gz; do
  [[ -f $root/$f ]] || fail "not installed: $f"
done
for f in bin/kv4410pc bin/kv4410pc-demo bin/kv4410pc-convert; do
  [[ -x $root/$f ]] || fail "not executable: $f"
done
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
[[ -f $root/${libdir:-lib}/kv4410pc/kv4410pc-xlsx.so ]] || fail "not installed: the workbook writer module"
# The program itself does not load the spreadsheet library before the first export.
if readelf -d "$root/bin/kv4410pc" | grep -q 'NEEDED.*xlsxwriter'; then
  fail "the program links the spreadsheet library"
fi
# Help needs only the data directory; the documentation directory, which a system may
# drop, holds a link to the manual.
[[ -L $root/share/doc/kv4410pc/qt44usb.pdf && -f $root/share/doc/kv4410pc/qt44usb.pdf ]] \
  || fail "share/doc/kv4410pc/qt44usb.pdf is not a link to the manual"
for size in 48 64 128; do
  file -b "$root/share/icons/hicolor/${size}x$size/apps/org.kv4410pc.Octanometer.png" \
    | grep -q "^PNG image data, $size x $size," || fail "the ${size}px icon is not a ${size}px PNG"
done
if nm -C "$root/bin/kv4410pc" 2>/dev/null | grep -q FakeHidPlatform; then
  fail "the program carries the fake HID provider"
fi

# --- one version: the changelog's, in the manual pages and the metadata ---------------
"$source/debian/check-version" "$(dpkg-parsechangelog -l "$source/debian/changelog" -SVersion)" "$root" \
  || fail "the installed files name another version than debian/changelog"

# --- desktop entries and metadata ------------------------------------------------------
for f in "$root"/share/applications/*.desktop; do
  desktop-file-validate "$f" || fail "desktop-file-validate $(basename "$f")"
done
# A window belongs to its menu entry: the class Qt gives it is the program's name.
for f in "$root"/share/applications/*.desktop; do
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$f")
  [[ $(sed -n 's/^StartupWMClass=//p' "$f") == "$exec_name" ]] \
    || fail "$(basename "$f"): StartupWMClass is not $exec_name"
done
appstreamcli validate --no-net "$root/share/metainfo/org.kv4410pc.Octanometer.metainfo.xml" >/dev/null \
  || fail "appstreamcli validate"

# --- the converter's manual page names exactly the options of its --help ---------------
help_options=$("$root/bin/kv4410pc-convert" --help | grep -oE '^--[a-z]+' | sort -u)
man_options=$(gzip -dc "$root/share/man/man1/kv4410pc-convert.1.gz" \
  | awk '/^\.TP/ { getline; print }' | grep -oE '\\-\\-[a-z]+' | sed 's/\\//g' | sort -u)
[[ $help_options == "$man_options" ]] \
  || fail "manual page options ($(echo $man_options)) differ from --help ($(echo $help_options))"

# --- --version and --help answer where there is no display ---------------------------------
for program in kv4410pc kv4410pc-demo; do
  status=0
  out=$(env -i PATH=/usr/bin:/bin HOME="$work" "$root/bin/$program" --version 2>&1) || status=$?
  [[ $status == 0 && $out == "$program "[0-9]* ]] || fail "$program --version: status $status, '$out'"
  status=0
  out=$(env -i PATH=/usr/bin:/bin HOME="$work" "$root/bin/$program" --help 2>&1) || status=$?
  [[ $status == 0 && $out == "Usage: $program "* ]] || fail "$program --help: status $status, '$out'"
done

# --- the installed program ----------------------------------------------------------------
# An installed copy's folder is not the user's: no write bit for anyone, so even root is
# held off it.
chmod 555 "$root/bin"

# Starts a program and waits, bounded, until it has put its handler of SIGTERM in place,
# or until it ends. The handler is looked for only once the process is the program: the
# shell's child it starts as catches SIGTERM itself (for the shell's EXIT trap) until it
# execs.
started_pid=
start() {
  local home=$1 program=$2
  env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "$program" \
    >"$work/out.txt" 2>&1 &
  started_pid=$!
  local caught executable
  executable=$(readlink -f "$program")
  for _ in $(seq 1 600); do
    if ! kill -0 "$started_pid" 2>/dev/null; then return 1; fi
    if [[ $(readlink "/proc/$started_pid/exe" 2>/dev/null) == "$executable" ]]; then
      caught=$(sed -n 's/^SigCgt:\s*//p' "/proc/$started_pid/status" 2>/dev/null || echo 0)
      if (( (16#$caught >> 14) & 1 )); then return 0; fi
    fi
    sleep 0.1
  done
  return 1
}
# Closes it as a shutdown would and tells its exit status.
stop() {
  kill -TERM "$started_pid"
  local status=0
  wait "$started_pid" || status=$?
  return $status
}
# One session: start, then close as a shutdown would; what failed is named by `what`.
session() {
  local home=$1 program=$2 what=$3
  if ! start "$home" "$program"; then
    fail "$what did not start: $(cat "$work/out.txt")"
    return 1
  fi
  local status=0
  stop || status=$?
  ((status == 0)) || fail "$what ended with status $status on SIGTERM: $(cat "$work/out.txt")"
}

home=$work/home
mkdir -p "$home"
data=$home/.local/share/kv4410pc
session "$home" "$root/bin/kv4410pc" "the installed program" || true
for f in kor.tab data.tab data2.tab; do
  [[ -f $data/$f ]] || fail "no $f in the per-user data directory"
done
stray=$(find "$work" -name '*.tab' ! -path "$data/*" | head -5)
[[ -z $stray ]] || fail "data files outside the per-user directory: $stray"

# A journal kept there is read at the next start and, untouched, not rewritten at the close.
cp "$source/tests/data/journal_three_rows.tab" "$data/data2.tab"
inode=$(stat -c %i "$data/data2.tab")
session "$home" "$root/bin/kv4410pc" "the second start" || true
cmp -s "$source/tests/data/journal_three_rows.tab" "$data/data2.tab" \
  || fail "the journal did not come back whole"
[[ $(stat -c %i "$data/data2.tab") == "$inode" ]] || fail "the untouched journal was rewritten at the close"

# The demo keeps its own files.
if session "$home" "$root/bin/kv4410pc-demo" "the installed demo"; then
  [[ -f $home/.local/share/kv4410pc-demo/data2.tab ]] || fail "the demo has no files of its own"
fi

# A portable copy, a folder that holds its data files, keeps them beside the executable.
portable=$work/portable
mkdir -p "$portable"
cp "$root/bin/kv4410pc" "$portable/"
: >"$portable/kor.tab"; : >"$portable/data.tab"
cp "$source/tests/data/journal_three_rows.tab" "$portable/data2.tab"
home2=$work/home2
mkdir -p "$home2"
session "$home2" "$portable/kv4410pc" "the portable copy" || true
cmp -s "$source/tests/data/journal_three_rows.tab" "$portable/data2.tab" \
  || fail "the portable journal did not come back whole"
# fontconfig keeps its cache of the system's fonts there for a user who can't write the
# system's; that is not the program's.
wrote=$(find "$home2" -mindepth 1 ! -path "$home2/.cache" ! -path "$home2/.cache/fontconfig*" | head -3)
[[ -z $wrote ]] || fail "the portable copy wrote into its home: $wrote"

# A home where the data directory can't be made: a message, not a crash, no files.
home3=$work/home3
mkdir -p "$home3"
: >"$home3/.local"
env -i PATH=/usr/bin:/bin HOME="$home3" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "$root/bin/kv4410pc" \
  >"$work/out3.txt" 2>&1 &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended when its data directory could not be made"
kill -KILL "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
[[ -z $(find "$work" -name '*.tab' -newer "$home3/.local" ! -path "$data/*" ! -path "$portable/*" | head -1) ]] \
  || fail "files were made although the data directory could not be"

if ((failures > 0)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "installed tree, metadata, manual page and the installed program: all good"
