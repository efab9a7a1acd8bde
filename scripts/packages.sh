# Sourced by the other scripts: makes sure the Debian packages they need are
# installed, installing them with apt-get when run as root.

SARVELIN_PACKAGES_BUILD="cmake g++ make qt6-base-dev qt6-qpa-plugins libcli11-dev nlohmann-json3-dev libdtl-dev libdeflate-dev libcurl4-openssl-dev pkg-config"
SARVELIN_PACKAGES_DISPLAY="xvfb xauth x11-utils xdotool imagemagick fonts-comic-neue fonts-dejavu-core"
SARVELIN_PACKAGES_WINDOWS="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 dpkg-dev googletest icoutils nsis zip unzip"
SARVELIN_PACKAGES_TEST="libgtest-dev libgmock-dev libbenchmark-dev desktop-file-utils strace clang libclang-rt-14-dev python3-fonttools appstream ansible-core git lintian dpkg-dev zlib1g-dev nginx-light curl"

# ensure_packages PACKAGE... : installs whatever of PACKAGE... is missing.
ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Some packages are missing. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
