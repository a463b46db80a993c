#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree it makes, the installed
# command line, and that the installed editor finds its help and templates in share/vorlane
# with nothing beside its executable. The same probe run in the build tree finds them there.
#   install_tree.sh CMAKE BUILD_DIR SOURCE_DIR PROBE APP_ID
set -euo pipefail
cmake=$1 build=$2 source=$3 probe=$4 id=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

share=$prefix/share
for f in bin/vorlane share/vorlane/version.txt share/vorlane/readme.txt \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/man/man1/vorlane.1.gz \
         share/doc/vorlane/copyright share/doc/vorlane/changelog.gz; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
[ "$(ls "$prefix/bin")" = vorlane ] || fail "bin/ holds more than vorlane: $(ls "$prefix/bin")"
diff -r "$source/resources/help" "$share/vorlane/help" || fail "help pages differ"
diff -r "$source/resources/Templates" "$share/vorlane/Templates" || fail "templates differ"
for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || fail "missing ${size}x${size} icon"
    # PNG width and height: big-endian words at bytes 16 and 20.
    read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    [ "$w $h" = "$size $size" ] || fail "$png is $w x $h"
done
gzip -t "$share/man/man1/vorlane.1.gz" || fail "manual page is not gzip"
zcat "$share/man/man1/vorlane.1.gz" | grep -qE '^\.TH VORLANE 1 "[0-9]{4}-[0-9]{2}-[0-9]{2}" ' ||
    fail "manual page has no release date"

# The licence: its text beside the copyright file, which names it for the project's files.
cmp -s "$source/LICENSE" "$share/doc/vorlane/LICENSE" || fail "LICENSE not installed"
grep -q '^License: GPL-3+$' "$share/doc/vorlane/copyright" || fail "copyright names no GPL-3+"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$share/metainfo/$id.metainfo.xml" ||
    fail "metainfo names no project licence"
# X11 docks tie the window (class "Vorlane", set by the application name) to the launcher.
grep -qx 'StartupWMClass=Vorlane' "$share/applications/$id.desktop" || fail "no StartupWMClass"
grep -qx 'Actions=new-window;' "$share/applications/$id.desktop" || fail "no New Window action"

# Every screenshot the software centre is pointed at is a file of data/screenshots/.
shots=$(grep -o '<image[^>]*>[^<]*' "$share/metainfo/$id.metainfo.xml" | sed 's/.*\///')
[ -n "$shots" ] || fail "no screenshots in the metainfo"
for shot in $shots; do
    [ -f "$source/data/screenshots/$shot" ] || fail "screenshot $shot is not in data/screenshots"
done

# The installed command line.
version=$("$prefix/bin/vorlane" --version) || fail "--version exited with $?"
[ "$version" = "$(head -n1 "$source/resources/version.txt" | tr -d '\r')" ] ||
    fail "--version printed '$version'"
"$prefix/bin/vorlane" --help | grep -q '^Usage: vorlane' || fail "--help printed no usage"

# The editor itself, started from the installed bin/ folder and then from the build tree.
export XDG_CONFIG_HOME=$work/config
# Recovery copies another run left behind must not stand in for the page asked for.
export XDG_STATE_HOME=$work/state
check_probe() { # BIN_DIR DATA_DIR
    local bin=$1 data=$2 out first
    out=$("$bin/$(basename "$probe")" "$data/readme.txt") || fail "probe in $bin exited with $?"
    echo "$out" | grep -q '^error' && fail "probe in $bin: $(echo "$out" | grep '^error')"
    grep -qxF "document $data/readme.txt" <<<"$out" || fail "$bin: start-up file: $out"
    grep -qE "^help $data/help/index.html [1-9][0-9]*\$" <<<"$out" || fail "$bin: help: $out"
    local listed
    listed=$(cd "$data/Templates" && LC_ALL=C ls | sort -f | paste -sd'|')
    grep -qxF "templates $listed" <<<"$out" || fail "$bin: template list: $out"
    first=$(cd "$data/Templates" && LC_ALL=C ls | sort -f | head -n1)
    grep -qx "template $(sha1sum <"$data/Templates/$first" | cut -d' ' -f1)" <<<"$out" ||
        fail "$bin: template text: $out"
}
cp "$probe" "$prefix/bin/"
check_probe "$prefix/bin" "$share/vorlane"
check_probe "$(dirname "$probe")" "$(cd "$(dirname "$probe")" && pwd)"

# "--" lets a file be named like an option.
mkdir "$work/cwd"
echo '<P>odd name</P>' >"$work/cwd/--help"
out=$(cd "$work/cwd" && "$prefix/bin/$(basename "$probe")" -- --help) || fail "-- --help exited"
grep -qxF "document $work/cwd/--help" <<<"$out" || fail "-- --help did not open the file: $out"
echo "install layout OK"
