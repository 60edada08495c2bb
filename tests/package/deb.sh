#!/usr/bin/env bash
# Builds the Debian package from a finished build, checks its control fields, its files, the
# desktop entry and the AppStream data, unpacks it into a scratch root and starts the unpacked
# program under a private X server until its calendar window shows.
#
#   bash deb.sh BUILD_DIR VERSION
set -u

fail() {
    echo "package test: $*" >&2
    exit 1
}

app_id=io.github.velmora.orvane

calendar_title() {
    local weekdays=(日 月 火 水 木 金 土)
    printf 'Velmoraカレンダー   %s (%s)' "$(date +%y/%m/%d)" "${weekdays[$(date +%w)]}"
}

# Waits up to $1 seconds for the calendar window (its title is today's date, asked anew on every
# poll so that midnight does not matter). Returns 2 when the program has ended.
wait_for_calendar() {
    local deadline=$((SECONDS + $1)) id
    while ((SECONDS < deadline)); do
        kill -0 "$ORVANE_PID" 2>/dev/null || return 2
        for id in $(xdotool search --onlyvisible --name '^Velmora' 2>/dev/null); do
            [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$(calendar_title)" ]] && return 0
        done
        sleep 0.1
    done
    return 1
}

inside_x() {
    local binary=$1 log=$2
    "$binary" >"$log" 2>&1 &
    ORVANE_PID=$!
    trap 'kill "$ORVANE_PID" 2>/dev/null; wait "$ORVANE_PID" 2>/dev/null' EXIT
    wait_for_calendar 30
    case $? in
    0) ;;
    2) fail "the installed program ended before its calendar showed; its output: $(cat "$log")" ;;
    *) fail "no window titled '$(calendar_title)' appeared; windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|'); program output: $(cat "$log")" ;;
    esac
}

if [[ "${1:-}" == "--inside-x" ]]; then
    inside_x "$2" "$3"
    exit $?
fi

build=${1:-}
version=${2:-}
[[ -n "$build" && -f "$build/CPackConfig.cmake" ]] || fail "give the build folder (with CPackConfig.cmake)"
[[ -n "$version" ]] || fail "give the package version"
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli xvfb-run xdotool sqlite3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The package, made where it disturbs nothing in the build folder.
(cd "$build" && cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake") >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
arch=$(dpkg --print-architecture)
deb=$work/pkg/orvane_${version}_${arch}.deb
[[ -f "$deb" ]] || fail "no $(basename "$deb"); cpack made: $(ls "$work/pkg")"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == orvane ]] || fail "Package is '$(field Package)'"
[[ "$(field Version)" == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ "$(field Architecture)" == "$arch" ]] || fail "Architecture is '$(field Architecture)'"
[[ -n "$(field Maintainer)" && -n "$(field Description)" ]] || fail "Maintainer or Description is empty"
[[ "$(field Section)" == misc ]] || fail "Section is '$(field Section)'"

# The libraries come from dpkg-shlibdeps: a hand-written list would miss the versions.
depends=$(field Depends)
for needed in 'libc6 (>= ' 'libqt6widgets6 (>= ' 'libqt6printsupport6 (>= ' 'libsqlite3-0 (>= ' \
    'libfontconfig1 (>= ' qt6-qpa-plugins 'fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic' \
    qt6-translations-l10n; do
    [[ "$depends" == *"$needed"* ]] || fail "Depends lacks '$needed': $depends"
done
recommends=$(field Recommends)
[[ "$recommends" == "fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-liberation, qt6-wayland, fcitx5-frontend-qt6, kolourpaint | mtpaint | pinta | drawing | gimp" ]] ||
    fail "Recommends is '$recommends'"

# Every file in its place; nothing outside /usr.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/orvane /usr/share/orvane/MReadme.htm \
    "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml" \
    /usr/share/icons/hicolor/48x48/apps/orvane.png /usr/share/icons/hicolor/scalable/apps/orvane.svg; do
    grep -qxF "$path" "$work/contents" || fail "the package lacks $path; it holds: $(tr '\n' ' ' <"$work/contents")"
done
outside=$(grep -v -E '^/(usr(/.*)?)?$' "$work/contents")
[[ -z "$outside" ]] || fail "the package installs outside /usr: $outside"

root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
share=$root/usr/share
desktop=$share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $app_id.desktop"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli rejects $app_id.metainfo.xml"
grep -qxF 'Exec=orvane' "$desktop" || fail "the desktop entry does not start orvane"
grep -qxF 'Icon=orvane' "$desktop" || fail "the desktop entry does not name the orvane icon"
grep -qxF 'Name[ja]=絵日記' "$desktop" || fail "the desktop entry has no Japanese name 絵日記"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream data does not launch $app_id.desktop"
[[ "$(head -c 8 "$share/icons/hicolor/48x48/apps/orvane.png" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] ||
    fail "the 48 px icon is no PNG"
grep -q '<svg' "$share/icons/hicolor/scalable/apps/orvane.svg" || fail "the scalable icon is no SVG"
[[ -x "$root/usr/bin/orvane" ]] || fail "/usr/bin/orvane is not executable"

# A fresh home whose settings name a paint program and a journal that exist, so start-up asks
# nothing. The journal holds one entry, which the program must leave as it is.
export HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_DATA_HOME/orvane" "$XDG_CONFIG_HOME/orvane" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
journal=$work/journal.mdb
sqlite3 "$journal" <<'SQL' || fail "sqlite3 cannot make the journal"
CREATE TABLE "Mirel" ("Reg_dat" DATETIME NOT NULL, "Mirel_txt" LONGTEXT, "Memo_txt" LONGTEXT,
  "Pic_txt" VARCHAR(100), "Error_kbn" BIT, "Treat_dat" DATETIME, "Treat_tim" DATETIME,
  "Terminal_nam" VARCHAR(30), CONSTRAINT mirel PRIMARY KEY ("Reg_dat"));
INSERT INTO Mirel (Reg_dat, Mirel_txt, Memo_txt, Pic_txt) VALUES
  ('2025-05-18 00:00:00', '公園で写生', '晴れ', '');
SQL
printf '[Option]\npPath=/bin/true\nmdbPath=%s\ngPath=%s\n' "$journal" "$work" \
    >"$XDG_CONFIG_HOME/orvane/orvane.ini"
unset QT_QPA_PLATFORM

xvfb-run -a -s "-screen 0 1024x768x24" bash "${BASH_SOURCE[0]}" --inside-x "$root/usr/bin/orvane" \
    "$work/orvane.log" || exit 1
rows=$(sqlite3 "$journal" "select Reg_dat, Mirel_txt, Memo_txt from Mirel") ||
    fail "sqlite3 cannot read the journal"
[[ "$rows" == '2025-05-18 00:00:00|公園で写生|晴れ' ]] || fail "the journal's rows became '$rows'"
echo "package test: passed"
