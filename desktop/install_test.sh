#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the installed tree: the
# programs, desktop entries, icons, metadata and demo files are where a
# desktop looks for them, and the validators accept the metadata.
#   install_test.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
prefix=$2/prefix
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
share=$prefix/share

for program in Tarnwick32 VT2_Text VT2Comp; do
  id=org.romtoolset.$program
  # The GUI programs have no switch that exits by itself, so they are not started.
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not an executable"
  [ -f "$share/applications/$id.desktop" ] || fail "no desktop entry for $program"
  [ -f "$share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no icon for $program"
  grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "$id.desktop names another icon"
  grep -Eq "^Exec=$program( |$)" "$share/applications/$id.desktop" || fail "$id.desktop starts another program"
done
grep -qx 'Exec=Tarnwick32 %f' "$share/applications/org.romtoolset.Tarnwick32.desktop" \
  || fail "Tarnwick32's entry does not pass the file on"
grep -q 'application/x-rom-table' "$share/applications/org.romtoolset.Tarnwick32.desktop" \
  || fail "Tarnwick32's entry does not take table files"

for f in metainfo/org.romtoolset.Tarnwick32.metainfo.xml mime/packages/romtoolset-table.xml \
         romtoolset/demo/demo.bin romtoolset/demo/demo.tbl romtoolset/game/vt2.smc \
         romtoolset/game/vt2_hdr.smc romtoolset/game/vt2data.txt romtoolset/tiles/tiles.bin; do
  [ -s "$share/$f" ] || fail "share/$f is missing or empty"
done

# The command-line program and its man page join once they are built.
if [ -e "$prefix/bin/romtoolset" ]; then
  "$prefix/bin/romtoolset" --help >/dev/null || fail "romtoolset --help failed"
  if command -v help2man >/dev/null; then
    [ -s "$share/man/man1/romtoolset.1" ] || fail "no man page for romtoolset"
  fi
fi

if command -v desktop-file-validate >/dev/null; then
  for f in "$share"/applications/*.desktop; do
    desktop-file-validate "$f" || fail "$(basename "$f") does not validate"
  done
else
  echo "desktop-file-validate not installed: desktop entries not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share/metainfo/org.romtoolset.Tarnwick32.metainfo.xml" \
    || fail "the AppStream metadata does not validate"
else
  echo "appstreamcli not installed: AppStream metadata not validated"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$share/mime/packages/romtoolset-table.xml" || fail "the MIME type file is not well-formed"
fi

exit $failed
