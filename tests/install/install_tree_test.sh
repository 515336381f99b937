#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the tree as a desktop would see it: the
# programs run from there and find their frames, the desktop entry and AppStream metadata pass
# their validators, the icon sizes exist and the manual page renders.
# Usage: install_tree_test.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for exe in kestro kestro-cli; do
  [ -x "$prefix/bin/$exe" ] || fail "bin/$exe missing"
done
ls "$prefix"/share/kestro/Frames/*.png >/dev/null 2>&1 || fail "no frames under share/kestro/Frames"

# The installed CLI must find the installed frames, not the build tree's.
frames_json="$(env -u KESTRO_RESOURCES "$prefix/bin/kestro-cli" frames --json)"
grep -q "\"$prefix/share/kestro/Frames/" <<<"$frames_json" || fail "installed kestro-cli does not use share/kestro"
grep -q "\"$build/" <<<"$frames_json" && fail "installed kestro-cli reads the build tree"

desktop="$(ls "$prefix"/share/applications/*.desktop)"
[ "$(wc -l <<<"$desktop")" -eq 1 ] || fail "expected one desktop entry"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejected $desktop"
for mime in video/mp4 video/quicktime video/webm application/x-kestro-project; do
  grep -q "^MimeType=.*$mime;" "$desktop" || fail "desktop entry does not offer $mime"
done
id="$(basename "$desktop" .desktop)"
# The project type is described to shared-mime-info, so a .kestro file opens in Kestro.
mimexml="$prefix/share/mime/packages/$(basename "$desktop" .desktop).mime.xml"
[ -f "$mimexml" ] || fail "no shared-mime-info description at $mimexml"
grep -q 'type="application/x-kestro-project"' "$mimexml" || fail "$mimexml does not describe the project type"
grep -q 'pattern="\*.kestro"' "$mimexml" || fail "$mimexml does not match *.kestro"
if command -v xmllint >/dev/null; then xmllint --noout "$mimexml" || fail "$mimexml is not well-formed"; fi
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ "$icon" = "$id" ] || fail "icon name $icon differs from the application id $id"
for size in 48 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$png" ] || fail "no ${size} px icon"
  # The PNG header's width field must be the size the folder promises.
  width=$(od -An -tu1 -j16 -N4 "$png" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
  [ "$width" -eq "$size" ] || fail "${size} px icon is $width px wide"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
[ -f "$metainfo" ] || fail "no AppStream metadata for $id"
appstreamcli validate --no-net "$metainfo" >/dev/null || { appstreamcli validate --no-net "$metainfo"; fail "appstreamcli rejected the metadata"; }

man="$prefix/share/man/man1/kestro-cli.1"
[ -f "$man" ] || fail "no kestro-cli manual page"
rendered="$(MANWIDTH=100 man -l "$man" 2>&1)" || fail "the manual page does not render"
for verb in export still frames frame-info devices record; do
  grep -q -- "kestro-cli $verb" <<<"$rendered" || grep -q -- "^ *$verb$" <<<"$rendered" || fail "manual page lacks $verb"
done
echo "install test: tree under a scratch prefix is complete"
