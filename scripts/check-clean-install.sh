#!/usr/bin/env bash
# Installs the Debian package as a new user would, into a clean minimal Debian 12 made with
# debootstrap, without recommended packages, and checks that the program is readable there:
# Qt's own dialogs in Japanese (the paint-program chooser is titled 開く, not Open), a Japanese
# font for the interface font, and the calendar window after the first start's questions.
# Run it before a release; it needs root (chroot) and a Debian mirror, and takes a few minutes.
#
#   scripts/check-clean-install.sh [PACKAGE.deb | BUILD_DIR]   (default: the build folder "build")
#
# MIRROR chooses the mirror (default http://deb.debian.org/debian); KEEP=1 keeps the system in
# the work folder it names.
set -euo pipefail

fail() {
    echo "clean install: $*" >&2
    exit 1
}
say() { echo "clean install: $*"; }

if [[ "$(id -u)" != 0 ]]; then
    command -v sudo >/dev/null || fail "run it as root (it builds a system with debootstrap and chroot)"
    exec sudo MIRROR="${MIRROR:-}" KEEP="${KEEP:-}" bash "$(realpath "${BASH_SOURCE[0]}")" "$@"
fi

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mirror=${MIRROR:-http://deb.debian.org/debian}
given=${1:-$source_dir/build}

work=$(mktemp -d "${TMPDIR:-/var/tmp}/orvane-clean.XXXXXX")
root=$work/root

cleanup() {
    local point
    for point in "$root/proc" "$root/dev/pts" "$root/dev"; do
        mountpoint -q "$point" 2>/dev/null && umount -l "$point"
    done
    if [[ -n "${KEEP:-}" ]]; then
        say "the system is kept in $root"
    elif findmnt -rn -o TARGET | grep -q "^$root"; then
        echo "clean install: something is still mounted under $root; it is left there" >&2
    else
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT

# The package: the one given, or one made from the build folder.
if [[ -d "$given" ]]; then
    [[ -f "$given/CPackConfig.cmake" ]] || fail "$given is no configured build folder"
    cmake --build "$given" --target orvane >/dev/null || fail "the program does not build in $given"
    (cd "$given" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
        fail "cpack failed: $(cat "$work/cpack.log")"
    deb=$(ls "$work"/pkg/orvane_*.deb)
else
    deb=$given
fi
[[ -f "$deb" && "$deb" == *.deb ]] || fail "no package at $deb"
say "package $(basename "$deb")"

if ! command -v debootstrap >/dev/null; then
    say "installing debootstrap"
    { DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap ||
        { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap; }; } \
        >"$work/debootstrap.log" 2>&1 || fail "cannot install debootstrap: $(tail -n 5 "$work/debootstrap.log")"
fi

say "building a minimal Debian 12 in $root from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    fail "debootstrap failed; the end of its log: $(tail -n 20 "$work/debootstrap.log")"

mount -t proc proc "$root/proc"
# debootstrap makes the device nodes where it may; a container lends its own.
[[ -c "$root/dev/null" ]] || mount --bind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# A system kept up to date, like the one the package was built on.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://security.debian.org/debian-security bookworm-security main
EOF
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update >"$work/apt.log" 2>&1 || fail "apt-get update failed: $(tail -n 20 "$work/apt.log")"

cp "$deb" "$root/tmp/"
say "apt-get install --no-install-recommends ./$(basename "$deb")"
in_root sh -c 'cd /tmp && apt-get install -y --no-install-recommends ./orvane_*.deb' \
    >>"$work/apt.log" 2>&1 || fail "the package does not install: $(tail -n 30 "$work/apt.log")"

installed_fonts() {
    in_root dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" && $2 ~ /^fonts-/ {print $2}'
}
fonts=$(installed_fonts)
say "fonts the package brought: $(echo ${fonts:-none})"
[[ -f "$root/usr/share/qt6/translations/qtbase_ja.qm" ]] ||
    fail "no Qt translation /usr/share/qt6/translations/qtbase_ja.qm after the install"

# The test's own tools; they must not bring a font the package lacks.
in_root apt-get install -y --no-install-recommends xvfb xdotool fontconfig >>"$work/apt.log" 2>&1 ||
    fail "cannot install the test tools: $(tail -n 20 "$work/apt.log")"
[[ "$(installed_fonts)" == "$fonts" ]] ||
    fail "the test tools brought fonts of their own: $(installed_fonts | tr '\n' ' ')"

cat >"$root/tmp/check-inside.sh" <<'INSIDE'
set -u
fail() {
    echo "clean install: $*" >&2
    echo "clean install: windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|')" >&2
    echo "clean install: program output: $(cat /tmp/orvane.log 2>/dev/null)" >&2
    exit 1
}
calendar_title() {
    local weekdays=(日 月 火 水 木 金 土)
    printf 'Velmoraカレンダー   %s (%s)' "$(date +%y/%m/%d)" "${weekdays[$(date +%w)]}"
}
# Waits up to 30 seconds for a visible window whose name is exactly the output of "$@" and
# prints its id.
wait_for() {
    local deadline=$((SECONDS + 30)) id
    while ((SECONDS < deadline)); do
        kill -0 "$pid" 2>/dev/null || fail "the program ended"
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$("$@")" ]] && { echo "$id"; return 0; }
        done
        sleep 0.2
    done
    return 1
}
press() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool key --clearmodifiers "$2"
}

mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X7 ]] && break; sleep 0.1; done
export DISPLAY=:7
orvane >/tmp/orvane.log 2>&1 &
pid=$!
trap 'kill $pid $xvfb 2>/dev/null' EXIT

# No paint program is installed: the first start asks for one in Qt's file dialog, whose
# title is Qt's own text. Without one the journal is not made and the program ends, so a
# program is chosen by typing its path.
chooser=$(wait_for echo 開く) ||
    fail "no paint-program chooser titled 開く (is Qt's Japanese translation loaded?)"
xdotool windowfocus --sync "$chooser" 2>/dev/null || xdotool windowfocus "$chooser"
xdotool type --delay 30 /usr/bin/true
press "$chooser" Return
question=$(wait_for echo ORVANE) || fail "no journal question titled ORVANE"
press "$question" Return
wait_for calendar_title >/dev/null || fail "no window titled '$(calendar_title)'"
[[ -f "$HOME/.local/share/orvane/orvane.mdb" ]] || fail "the journal was not made"

# The interface font as fontconfig resolves it for Japanese text must cover Japanese.
match=$(fc-match -f '%{family[0]}|%{lang}\n' 'IPAPGothic:lang=ja')
echo "clean install: fc-match IPAPGothic:lang=ja gives ${match%%|*}"
[[ "|${match#*|}|" == *"|ja|"* ]] || fail "the interface font resolves to ${match%%|*}, which has no Japanese"
echo "clean install: calendar shown, Qt's dialog in Japanese"
INSIDE

say "starting the program in a fresh home under Xvfb"
in_root HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime LANG=C.UTF-8 bash /tmp/check-inside.sh ||
    fail "the program is not usable on the clean system"
say "passed"
