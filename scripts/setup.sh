# Shared set-up for scripts/test and scripts/run: makes sure the Debian packages the build needs
# are present (installing them when running as root), then configures and builds into a folder.
# Sourced, not run: sets ORV_ROOT and provides orv_build FOLDER [cmake args...].

ORV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

ORV_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libqt6sql6-sqlite
              libsqlite3-dev libgtest-dev libgmock-dev libavformat-dev libavcodec-dev
              libswscale-dev libavutil-dev fonts-dejavu-core)
# Only the tests and the benchmarks need these: the ffmpeg command makes their media files, and
# the sqlite3 command's .dump is what the repair is measured against.
ORV_TEST_PACKAGES=(ffmpeg sqlite3)
# Only scripts/fuzz needs these (clang and its libFuzzer and sanitizer runtimes).
ORV_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# Only scripts/package needs these: the build flags, dpkg-shlibdeps and file for CPack, Doxygen
# for the API reference, lintian to check the packages.
ORV_PACKAGE_PACKAGES=(dpkg-dev file doxygen lintian)

orv_missing_packages() {
    local missing=()
    local p
    for p in "${ORV_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$p")
    done
    echo "${missing[@]}"
}

orv_ensure_packages() {
    local missing
    missing="$(orv_missing_packages)"
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing Debian packages: $missing (install them with apt-get as root)" >&2
        return 1
    fi
    echo "installing: $missing" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >&2 || return 1
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >&2 || return 1
}

orv_build() {
    local dir="$1"
    shift
    orv_ensure_packages || return 1
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ORV_ROOT" -B "$dir" -G Ninja "$@" >&2 || return 1
    fi
    cmake --build "$dir" --parallel "$(nproc)" >&2 || return 1
}
