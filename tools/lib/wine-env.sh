# Sourced by the tools: Wine prefixes of our own (32-bit, quiet, never ~/.wine).
# Every function works on the prefix named by WINEPREFIX.

export WINEARCH=win32
export WINEDEBUG=-all
# No Mono/Gecko install prompts; no menu entries or desktop files for the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Creates a fresh prefix at $WINEPREFIX, set up the way Tidewarp's tests and runs need it:
# Z: is a network drive (a shortcut scan must not walk the host's whole file system), the profile
# folders are real folders rather than links into the Linux home, and windows are unmanaged (without
# a window manager Wine otherwise waits two seconds whenever a window hides).
tw_prefix_create() {
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p || true
    wineboot -i >"$WINEPREFIX.boot.log" 2>&1
    wine cmd /c exit >/dev/null 2>&1
    wine reg add 'HKLM\Software\Wine\Drives' /v z: /d network /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
    wineserver -k >/dev/null 2>&1 || true
    [ -f "$WINEPREFIX/system.reg" ]
}

# A throwaway copy of a template prefix (creating the template when it is missing).
tw_prefix_copy() {  # template destination
    local template=$1 dest=$2
    if [ ! -f "$template/system.reg" ] || [ ! -f "$template/.tidewarp-ready" ]; then
        WINEPREFIX=$template tw_prefix_create
        touch "$template/.tidewarp-ready"
    fi
    rm -rf "$dest"
    cp -a "$template" "$dest"
    rm -f "$dest/.tidewarp-ready"
}

tw_server_start() { wineserver -p >/dev/null 2>&1 || true; }
tw_server_stop()  { [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true; }
