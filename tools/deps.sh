# Installs the Debian packages the project needs, if any are missing.
# Sourced by run.sh and test.sh; pass the package names.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            sudo=(sudo)
        else
            echo "Missing packages; install them and run again:" >&2
            echo "  apt-get install ${missing[*]}" >&2
            exit 1
        fi
    fi
    echo "Installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# To build and to run: compiler, CMake, Qt, and the fonts the windows name
# (Liberation Sans stands in for Arial, DejaVu Sans for Verdana).
BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev libgl-dev fonts-liberation2 fonts-dejavu-core fontconfig)
# The command-line front end: CLI11 reads its arguments, Boost.Math finds the
# roots that have no closed form.
BUILD_PACKAGES+=(libcli11-dev libboost-dev)
TEST_PACKAGES=(libgtest-dev clang-format)
# To check the desktop entry (a test runs when the validator is there).
TEST_PACKAGES+=(desktop-file-utils)
# To build the Debian package: dpkg-shlibdeps works out its dependencies and
# CPack looks at the program with file.
PACKAGE_PACKAGES=(dpkg-dev file)
# To take screenshots of the real window on a virtual X display.
SCREENSHOT_PACKAGES=(xvfb xdotool imagemagick x11-utils)
# Benchmarks: Google Benchmark; the start-up runs need an X server of their
# own and GNU time for the peak memory.
BENCH_PACKAGES=(libbenchmark-dev xvfb time)
# Fuzzing: clang with its libFuzzer and sanitizer runtimes, and the symbolizer
# that puts file and line into a finding's stack.
FUZZ_PACKAGES=(clang libclang-rt-dev llvm)
