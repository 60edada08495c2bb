#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Velmora絵日記 need, skipping
# the ones already installed. Uses sudo when not run as root.
#
#   scripts/install-deps.sh              build and test tools, libraries, fonts, X test tools
#   scripts/install-deps.sh --with-paint the same plus a small paint program (mtpaint)
set -euo pipefail

packages=(
    qt6-base-dev qt6-qpa-plugins libqt6printsupport6 # user interface and printing
    qt6-translations-l10n                            # the toolkit's own texts in Japanese
    libsqlite3-dev sqlite3                           # the journal file
    libfontconfig-dev                                # reading the font setup early
    libsodium-dev pkgconf                            # the encrypted journal's cryptography
    libsecret-1-dev gnome-keyring libsecret-tools    # the desktop keyring, and a real one to test
    fonts-ipafont-mincho fonts-ipafont-gothic fonts-liberation
    xvfb xauth xdotool poppler-utils at-spi2-core # headless tests and the smoke test
    cmark                                         # the export test reads Markdown as its readers do
    libxcb1-dev dbus-daemon                       # the benchmark's own desktop session
    weston qt6-wayland python3-pyatspi            # the Wayland test, driven over the accessibility bus
    cmake ninja-build g++ clang-format
    clang libclang-rt-14-dev # the fuzz targets (libFuzzer and the sanitizers' clang runtime)
    dpkg-dev desktop-file-utils appstream # the Debian package and the checks of its files
    imagemagick faketime xclip            # the README's screenshots
)

for arg in "$@"; do
    case "$arg" in
    --with-paint) packages+=(mtpaint) ;;
    -h | --help)
        sed -n '2,6p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "install-deps: unknown option $arg (try --help)" >&2
        exit 2
        ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: every needed package is installed."
    exit 0
fi

as_root=()
if [[ "$(id -u)" != 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: these packages are missing: ${missing[*]}" >&2
        echo "install-deps: run this script as root, or install sudo, to install them." >&2
        exit 1
    fi
    as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
