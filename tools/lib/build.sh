# Sourced by the tools: configures and builds the host and the Windows trees under build/.

tw_build_host() {
    cmake -S "$TW_ROOT" -B "$TW_ROOT/build/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build "$TW_ROOT/build/host"
}

# The libFuzzer targets: a host build by clang whose short fuzz runs join the one CTest run.
tw_build_fuzz() {
    CC=clang CXX=clang++ cmake -S "$TW_ROOT" -B "$TW_ROOT/build/fuzz" -G Ninja -DTW_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build "$TW_ROOT/build/fuzz"
}

tw_build_windows() {  # [extra ctest include files, ;-separated]
    local extra=()
    [ $# -gt 0 ] && extra=("-DTW_EXTRA_CTEST_FILES=$1")
    cmake -S "$TW_ROOT" -B "$TW_ROOT/build/win" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$TW_ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "${extra[@]}" >/dev/null &&
        cmake --build "$TW_ROOT/build/win"
}
