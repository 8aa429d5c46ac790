# Installs the Debian packages the project needs, if any are missing, and runs
# the scripts' steps quietly. Sourced by the scripts; defines only functions
# and package lists.

# A step prints one line; what its commands print goes to a log under build/,
# shown only when the step fails.
#   step LINE LOG COMMAND...
step() {
    local line=$1 log=$2
    shift 2
    echo "$line"
    mkdir -p "$(dirname "$log")"
    "$@" >"$log" 2>&1 || {
        local status=$?
        echo "Failed; from $log:" >&2
        # Ninja marks each failed command: from the first on is the reason,
        # however long the compiler's message.
        if grep -q '^FAILED: ' "$log"; then
            sed -n '/^FAILED: /,$p' "$log" >&2
        else
            tail -n 40 "$log" >&2
        fi
        return "$status"
    }
}

# Configures and builds one CMake preset; more arguments go to the build.
configure_and_build() {
    cmake --preset "$1" && cmake --build --preset "$@"
}

# apt_install AS PACKAGE...: AS is sudo, or empty for root. env, because sudo
# drops the caller's environment.
apt_install() {
    local as=$1
    shift
    ${as:+"$as"} env DEBIAN_FRONTEND=noninteractive apt-get update \
        && ${as:+"$as"} env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"
}

# Pass the package names.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local as=''
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            as=sudo
        else
            echo "Missing packages; install them and run again:" >&2
            echo "  apt-get install ${missing[*]}" >&2
            exit 1
        fi
    fi
    local count="${#missing[@]} packages"
    [ ${#missing[@]} -eq 1 ] && count="1 package"
    step "Installing $count…" build/deps.log apt_install "$as" "${missing[@]}" || exit 1
}

# Every part: the compiler and CMake.
TOOL_PACKAGES=(g++ cmake ninja-build)
# flow/: Highway runs the kernel on SIMD lanes, MPFR (on GMP) settles what its
# bounds leave open, Boost.Math helps its first guesses at p0's and s's roots. The
# fuzz build takes the core too.
CORE_PACKAGES=(libhwy-dev libmpfr-dev libgmp-dev libboost-dev pkgconf)
# cli/: CLI11 reads the command line's arguments.
CLI_PACKAGES=(libcli11-dev)
# python/: pybind11 and the headers of Debian's python3 build the module,
# numpy gives it arrays.
PYTHON_PACKAGES=(pybind11-dev python3-dev python3-numpy)
# The window (chart/, ui/, app/): Qt, and the fonts the windows name
# (Liberation Sans stands in for Arial, DejaVu Sans for Verdana), which it
# looks for through fontconfig. Without Qt CMake builds the rest and says the
# window is skipped.
WINDOW_PACKAGES=(qt6-base-dev libgl-dev libfontconfig-dev fonts-liberation2 fonts-dejavu-core fontconfig)
BUILD_PACKAGES=("${TOOL_PACKAGES[@]}" "${CORE_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${PYTHON_PACKAGES[@]}"
    "${WINDOW_PACKAGES[@]}")
TEST_PACKAGES=(libgtest-dev clang-format)
# To run the README's examples as written (one reads a CSV file with Python).
TEST_PACKAGES+=(python3)
# To check the desktop entry (a test runs when the validator is there).
TEST_PACKAGES+=(desktop-file-utils)
# To check the man pages (groff from groff-base reads them as man does).
TEST_PACKAGES+=(groff-base)
# The Python module's tests run under pytest and draw its picture with matplotlib.
TEST_PACKAGES+=(python3-pytest python3-matplotlib)
# The package's stubs are checked as a user's script would be.
TEST_PACKAGES+=(python3-mypy)
# The hard cases' table of forward ratios is made with mpmath.
TEST_PACKAGES+=(python3-mpmath)
# To build the Debian package: dpkg-shlibdeps works out its dependencies and
# CPack looks at the program with file.
PACKAGE_PACKAGES=(dpkg-dev file)
# To check the packages against Debian's policy (tools/package.sh --lint).
LINT_PACKAGES=(lintian)
# To take screenshots of the real window on a virtual X display.
SCREENSHOT_PACKAGES=(xvfb xdotool imagemagick x11-utils)
# Benchmarks: Google Benchmark; the start-up runs need an X server of their
# own and GNU time for the peak memory.
BENCH_PACKAGES=(libbenchmark-dev xvfb time)
# Fuzzing: clang with its libFuzzer and sanitizer runtimes, and the symbolizer
# that puts file and line into a finding's stack.
FUZZ_PACKAGES=(clang libclang-rt-dev llvm)
# To check that the tests compile with clang too.
CLANG_PACKAGES=(clang)
