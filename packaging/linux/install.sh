#!/bin/sh
# Installs TMX-1 from this folder, or removes it again.
#
#   ./install.sh               for you alone: the plug-in into ~/.vst, ~/.clap and ~/.lv2, tmx1-host
#                              into ~/.local/bin, the manual and the desktop limiter under
#                              ~/.local/share, the setting that names the manual under ~/.config
#   sudo ./install.sh          for every user of this computer: /usr/local/lib/vst,
#                              /usr/local/lib/clap, /usr/local/lib/lv2, /usr/local/bin,
#                              /usr/local/share/doc/tmx-1, /usr/local/share/tmx-1,
#                              /usr/local/lib/systemd/user and /etc/xdg
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
        -h|--help) sed -n '2,13s/^# \{0,1\}//p' "$0"; exit 0 ;;
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
    vst_plugins=$HOME/.vst
    clap_plugins=$HOME/.clap
    bundles=$HOME/.lv2
    programs=$HOME/.local/bin
    docs=$data/doc/tmx-1
    limiter=$data/tmx-1
    services=$data/systemd/user
else
    if command -v dpkg-query >/dev/null 2>&1 &&
        dpkg-query -W -f='${Status}' tmx-1 2>/dev/null | grep -q "install ok installed"; then
        echo "install.sh: TMX-1 is installed from its Debian package; remove that first (apt remove tmx-1)" >&2
        exit 1
    fi
    vst_plugins=/usr/local/lib/vst
    clap_plugins=/usr/local/lib/clap
    bundles=/usr/local/lib/lv2
    programs=/usr/local/bin
    docs=/usr/local/share/doc/tmx-1
    limiter=/usr/local/share/tmx-1
    services=/usr/local/lib/systemd/user
    config=/etc/xdg
fi
settings="$config/Brindlow Audio/TMX-1.conf"
manual="$docs/TMX-1 Manual.pdf"
service=$services/tmx1-limiter.service

# The settings file may hold lines of other features: only the Manual line is ours.
without_manual_line() {
    [ -f "$settings" ] && grep -v -i '^[[:space:]]*manual[[:space:]]*=' "$settings" || true
}

# Copies the library $1 of this folder into the folder $2 under a temporary name first, so that a DAW
# scanning meanwhile never loads half a file.
install_library() {
    cp "$here/$1" "$2/$1.part" && chmod 644 "$2/$1.part" && mv "$2/$1.part" "$2/$1"
}

install_files() {
    mkdir -p "$vst_plugins" "$clap_plugins" "$bundles" "$programs" "$docs" "$config/Brindlow Audio"
    install_library TMX-1.so "$vst_plugins"
    install_library TMX-1.clap "$clap_plugins"
    cp "$here/tmx1-host" "$programs/tmx1-host.part" && chmod 755 "$programs/tmx1-host.part" &&
        mv "$programs/tmx1-host.part" "$programs/tmx1-host"
    # The bundle is replaced whole: files an older version had and this one has not must go.
    rm -rf "$bundles/TMX-1.lv2.part"
    cp -R "$here/TMX-1.lv2" "$bundles/TMX-1.lv2.part"
    chmod 755 "$bundles/TMX-1.lv2.part" && chmod 644 "$bundles/TMX-1.lv2.part"/*
    rm -rf "$bundles/TMX-1.lv2" && mv "$bundles/TMX-1.lv2.part" "$bundles/TMX-1.lv2"
    cp "$here/TMX-1 Manual.pdf" "$manual"
    chmod 644 "$manual"
    # The desktop limiter: its PipeWire file, and the user service that runs it with that file.
    mkdir -p "$limiter" "$services"
    cp "$here/tmx1-limiter.conf" "$limiter/tmx1-limiter.conf"
    sed "s|@CONFIG@|$limiter/tmx1-limiter.conf|" "$here/tmx1-limiter.service.in" > "$service"
    chmod 644 "$limiter/tmx1-limiter.conf" "$service"
    { without_manual_line; printf 'Manual=%s\n' "$manual"; } > "$settings.part"
    mv "$settings.part" "$settings"
    chmod 644 "$settings"
    echo "TMX-1 installed $( [ "$scope" = user ] && echo "for $(id -un)" || echo "for every user"):"
    echo "  VST 2    $vst_plugins/TMX-1.so"
    echo "  CLAP     $clap_plugins/TMX-1.clap"
    echo "  LV2      $bundles/TMX-1.lv2"
    echo "  host     $programs/tmx1-host (tmx1-host live: TMX-1 on its own, on JACK)"
    echo "  manual   $manual"
    echo "  limiter  $limiter/tmx1-limiter.conf (on: systemctl --user enable --now tmx1-limiter)"
    echo "Rescan plug-ins in your DAW; if it does not find TMX-1, add the folders above to its plug-in folders."
}

# Removes a folder we may have made, only when nothing else is in it.
remove_if_empty() {
    rmdir "$1" 2>/dev/null || true
}

uninstall_files() {
    # A limiter turned on for this user is turned off first; other users' sessions stop theirs when
    # the service is gone.
    if [ "$scope" = user ] && [ -f "$service" ] && command -v systemctl >/dev/null 2>&1; then
        systemctl --user disable --now tmx1-limiter >/dev/null 2>&1 || true
    fi
    rm -f "$vst_plugins/TMX-1.so" "$clap_plugins/TMX-1.clap" "$programs/tmx1-host" "$manual" \
        "$limiter/tmx1-limiter.conf" "$service"
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
    remove_if_empty "$limiter"
    remove_if_empty "$services"
    remove_if_empty "$(dirname "$services")" # .../systemd
    remove_if_empty "$(dirname "$docs")" # .../doc, which a per-user installation may have made
    remove_if_empty "$config/Brindlow Audio"
    remove_if_empty "$vst_plugins"
    remove_if_empty "$clap_plugins"
    remove_if_empty "$bundles"
    if [ "$scope" = user ]; then remove_if_empty "$programs"; fi
    echo "TMX-1 removed from $vst_plugins, $clap_plugins and $bundles."
}

if [ "$action" = install ]; then
    for file in TMX-1.so TMX-1.clap TMX-1.lv2/manifest.ttl tmx1-host "TMX-1 Manual.pdf" tmx1-limiter.conf \
        tmx1-limiter.service.in; do
        [ -f "$here/$file" ] || { echo "install.sh: $file is missing beside install.sh; unpack the whole archive" >&2; exit 1; }
    done
    install_files
else
    uninstall_files
fi
