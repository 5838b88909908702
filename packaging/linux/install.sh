#!/bin/sh
# Installs TMX-1 from this folder, or removes it again.
#
#   ./install.sh               for you alone: the plug-in into ~/.vst and ~/.lv2, the manual under
#                              ~/.local/share, the setting that names the manual under ~/.config
#   sudo ./install.sh          for every user of this computer: /usr/local/lib/vst,
#                              /usr/local/lib/lv2, /usr/local/share/doc/tmx-1 and /etc/xdg
#   ./install.sh --uninstall   removes what the same kind of installation put there
#
# --user installs for the user running it even as root. Nothing else on the computer is changed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
action=install
scope=
for argument in "$@"; do
    case "$argument" in
        --uninstall) action=uninstall ;;
        --user) scope=user ;;
        -h|--help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
        *) echo "install.sh: unknown option '$argument' (see ./install.sh --help)" >&2; exit 2 ;;
    esac
done
if [ -z "$scope" ]; then
    if [ "$(id -u)" -eq 0 ]; then scope=machine; else scope=user; fi
fi

if [ "$scope" = user ]; then
    [ -n "${HOME:-}" ] || { echo "install.sh: HOME is not set" >&2; exit 1; }
    case "${XDG_DATA_HOME:-}" in /*) data=$XDG_DATA_HOME ;; *) data=$HOME/.local/share ;; esac
    case "${XDG_CONFIG_HOME:-}" in /*) config=$XDG_CONFIG_HOME ;; *) config=$HOME/.config ;; esac
    plugins=$HOME/.vst
    bundles=$HOME/.lv2
    docs=$data/doc/tmx-1
else
    if command -v dpkg-query >/dev/null 2>&1 &&
        dpkg-query -W -f='${Status}' tmx-1 2>/dev/null | grep -q "install ok installed"; then
        echo "install.sh: TMX-1 is installed from its Debian package; remove that first (apt remove tmx-1)" >&2
        exit 1
    fi
    plugins=/usr/local/lib/vst
    bundles=/usr/local/lib/lv2
    docs=/usr/local/share/doc/tmx-1
    config=/etc/xdg
fi
settings="$config/Brindlow Audio/TMX-1.conf"
manual="$docs/TMX-1 Manual.pdf"

# The settings file may hold lines of other features: only the Manual line is ours.
without_manual_line() {
    [ -f "$settings" ] && grep -v -i '^[[:space:]]*manual[[:space:]]*=' "$settings" || true
}

install_files() {
    mkdir -p "$plugins" "$bundles" "$docs" "$config/Brindlow Audio"
    cp "$here/TMX-1.so" "$plugins/TMX-1.so.part" && mv "$plugins/TMX-1.so.part" "$plugins/TMX-1.so"
    chmod 644 "$plugins/TMX-1.so"
    # The bundle is replaced whole: files an older version had and this one has not must go.
    rm -rf "$bundles/TMX-1.lv2.part"
    cp -R "$here/TMX-1.lv2" "$bundles/TMX-1.lv2.part"
    chmod 755 "$bundles/TMX-1.lv2.part" && chmod 644 "$bundles/TMX-1.lv2.part"/*
    rm -rf "$bundles/TMX-1.lv2" && mv "$bundles/TMX-1.lv2.part" "$bundles/TMX-1.lv2"
    cp "$here/TMX-1 Manual.pdf" "$manual"
    chmod 644 "$manual"
    { without_manual_line; printf 'Manual=%s\n' "$manual"; } > "$settings.part"
    mv "$settings.part" "$settings"
    chmod 644 "$settings"
    echo "TMX-1 installed $( [ "$scope" = user ] && echo "for $(id -un)" || echo "for every user"):"
    echo "  plug-in  $plugins/TMX-1.so"
    echo "  LV2      $bundles/TMX-1.lv2"
    echo "  manual   $manual"
    echo "Rescan plug-ins in your DAW (add $plugins to its VST folders if it is not there)."
}

# Removes a folder we may have made, only when nothing else is in it.
remove_if_empty() {
    rmdir "$1" 2>/dev/null || true
}

uninstall_files() {
    rm -f "$plugins/TMX-1.so" "$manual"
    rm -rf "$bundles/TMX-1.lv2"
    if [ -f "$settings" ]; then
        rest=$(without_manual_line)
        if [ -n "$(printf '%s' "$rest" | tr -d '[:space:]')" ]; then
            printf '%s\n' "$rest" > "$settings.part" && mv "$settings.part" "$settings"
        else
            rm -f "$settings"
        fi
    fi
    remove_if_empty "$docs"
    remove_if_empty "$(dirname "$docs")" # .../doc, which a per-user installation may have made
    remove_if_empty "$config/Brindlow Audio"
    remove_if_empty "$plugins"
    remove_if_empty "$bundles"
    echo "TMX-1 removed from $plugins and $bundles."
}

if [ "$action" = install ]; then
    for file in TMX-1.so TMX-1.lv2/manifest.ttl "TMX-1 Manual.pdf"; do
        [ -f "$here/$file" ] || { echo "install.sh: $file is missing beside install.sh; unpack the whole archive" >&2; exit 1; }
    done
    install_files
else
    uninstall_files
fi
