# Sourced by the tools: installs the Debian packages the build and the tests need, when missing.
# Debian 12, as root. Only asks apt when something is actually missing.

TW_PACKAGES="mingw-w64 wine wine64 wine32:i386 xvfb xauth cmake ninja-build doctest-dev g++ \
clang libclang-rt-14-dev python3-pil python3-jsonschema fonts-dejavu-core imagemagick x11-utils xdotool nsis \
ansible"

tw_missing_packages() {
    local p missing=""
    for p in $TW_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    echo "$missing"
}

tw_ensure_packages() {
    local missing
    missing=$(tw_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing:$missing" >&2
    if [ "$(id -u)" != 0 ]; then
        echo "tools: these packages are missing and installing them needs root:$missing" >&2
        return 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >&2 || return 1
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >&2 || return 1
}
