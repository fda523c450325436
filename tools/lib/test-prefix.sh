#!/bin/sh
# CTest fixture for the Windows tests: "create" makes a fresh throwaway prefix from the template
# (building the template the first time) and starts a persistent wineserver for it; "stop" ends
# that wineserver. Output goes to files: Wine's background processes would hold a pipe open.
# A fourth argument "win64" makes 64-bit prefixes (where the 32-bit program runs under WOW64).
set -eu
action=$1 template=$2 prefix=$3
TW_WINEARCH=${4:-win32}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

case $action in
create)
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    tw_prefix_copy "$template" "$prefix" </dev/null >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
    mkdir -p "$prefix/drive_c/tidewarp-tests"
    # R: is a removable drive (a folder of C:), so tests can check which drive types a scan walks.
    # Wine reads drive types when its server starts, hence the edit of the registry file here.
    mkdir -p "$prefix/drive_c/tidewarp-removable"
    ln -sfn ../drive_c/tidewarp-removable "$prefix/dosdevices/r:"
    sed -i 's/^"z:"="network"$/"r:"="floppy"\n"z:"="network"/' "$prefix/system.reg"
    export WINEPREFIX=$prefix
    tw_server_start </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
    echo "prefix ready: $prefix"
    ;;
stop)
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    tw_prefix_unmount "$prefix"
    WINEPREFIX=$template wineserver -k >/dev/null 2>&1 || true
    ;;
esac
