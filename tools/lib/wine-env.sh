# Sourced by the tools: Wine prefixes of our own (32-bit unless TW_WINEARCH says win64; quiet; never
# ~/.wine). Every function works on the prefix named by WINEPREFIX.

export WINEARCH=${TW_WINEARCH:-win32}
export WINEDEBUG=-all
# No Mono/Gecko install prompts; no menu entries or desktop files for the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Creates a fresh prefix at $WINEPREFIX, set up the way Tidewarp's tests and runs need it:
# Z: is a network drive (a shortcut scan must not walk the host's whole file system), the profile
# folders are real folders rather than links into the Linux home, and windows are unmanaged (without
# a window manager Wine otherwise waits two seconds whenever a window hides).
tw_prefix_create() {
    tw_prefix_unmount "$WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p || true
    wineboot -i >"$WINEPREFIX.boot.log" 2>&1
    wine cmd /c exit >/dev/null 2>&1
    # In a 64-bit prefix `wine reg` is the 32-bit reg.exe, and Wine reads drive types from the 64-bit view.
    local view=""
    [ "$WINEARCH" = win64 ] && view=/reg:64
    wine reg add 'HKLM\Software\Wine\Drives' /v z: /d network /f $view >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    tw_prefix_unlink_home "$WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    [ -f "$WINEPREFIX/system.reg" ]
}

# Profile folders that Wine links into the Linux home (Desktop, Documents, but also deeper ones
# such as AppData\Roaming\Microsoft\Windows\Templates) become real, empty folders: a shortcut scan
# of C: must not walk, or a fix delete, the host's files.
tw_prefix_unlink_home() {  # prefix
    local link
    find "$1/drive_c/users" -type l 2>/dev/null | while IFS= read -r link; do
        rm -f "$link"
        mkdir -p "$link"
    done
}

# Unmounts whatever is mounted below a prefix (a test that plants a bind mount and dies before it
# unmounts leaves one), deepest first, so that removing the prefix never reaches through a mount.
tw_prefix_unmount() {  # prefix
    [ -r /proc/mounts ] || return 0
    awk -v p="$1/" 'index($2, p) == 1 { print $2 }' /proc/mounts | sort -r | while IFS= read -r m; do
        umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
    done
}

# A throwaway copy of a template prefix (creating the template when it is missing).
tw_prefix_copy() {  # template destination
    local template=$1 dest=$2
    if [ ! -f "$template/system.reg" ] || [ ! -f "$template/.tidewarp-ready" ]; then
        WINEPREFIX=$template tw_prefix_create
        touch "$template/.tidewarp-ready"
    fi
    tw_prefix_unmount "$dest"
    rm -rf "$dest"
    cp -a "$template" "$dest"
    tw_prefix_unlink_home "$dest"  # templates made before it went deeper than one level
    rm -f "$dest/.tidewarp-ready"
}

tw_server_start() { wineserver -p >/dev/null 2>&1 || true; }
tw_server_stop()  { [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true; }
