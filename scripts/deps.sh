#!/usr/bin/env bash
# Installs what the build needs on a Debian machine, only when something is missing.
set -euo pipefail
# fonts-liberation2: the metric twin of Arial, the editor's default font; fonts-dejavu-core:
# a proportional sans-serif for menus and the status bar on minimal systems.
# hunspell-en-us: the dictionary spelling falls back to; others come from hunspell-* packages.
VORLANE_PACKAGES=(qt6-base-dev libqscintilla2-qt6-dev libjpeg62-turbo-dev cmake g++ make ccache qt6-gtk-platformtheme libqt6svg6
    desktop-file-utils appstream libtidy-dev qt6-webengine-dev libqt6webenginecore6-bin libqt6webengine6-data
    fonts-liberation2 fonts-dejavu-core libhunspell-dev hunspell-en-us)
missing=()
for p in "${VORLANE_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
