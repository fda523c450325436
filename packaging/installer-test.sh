#!/bin/sh
# Runs the installer test in a prefix of its own, a fresh copy of the test template: installing adds
# a shortcut and an uninstall entry that the other tests' scans must never see, and the other tests
# keep their shared prefix meanwhile. Usage: installer-test.sh TEMPLATE PREFIX TEST.EXE
set -eu
template=$1 prefix=$2 test=$3
here=$(cd "$(dirname "$0")/../tools/lib" && pwd)
. "$here/wine-env.sh"
export WINEPREFIX=$prefix

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wineserver -k >/dev/null 2>&1 || true
tw_prefix_copy "$template" "$prefix" </dev/null >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
# Wine's background processes start with no pipe of ours to hold open.
tw_server_start </dev/null
wine cmd /c exit </dev/null >/dev/null 2>&1
wine "$test"
