# Installs the Debian packages that building and testing need, those that are missing only.
# Sourced by the scripts beside it.

vqdf_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Installs the packages given that are missing.
vqdf_install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        vqdf_installed "$package" || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        apt-get update -qq >&2
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >&2
    fi
}

# What building the library and vqdf needs.
vqdf_tool_packages=(build-essential cmake pkg-config rapidjson-dev libgsf-1-dev libcli11-dev
                    libfmt-dev libmodbus-dev)

vqdf_install_tool_packages() {
    vqdf_install_missing "${vqdf_tool_packages[@]}"
}

# What the test command needs besides.
vqdf_install_packages() {
    vqdf_install_missing "${vqdf_tool_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev \
        clang-format locales python3 python3-olefile python3-jsonschema help2man bash-completion \
        clang libclang-rt-dev mingw-w64 googletest python3-dev python3-venv python3-setuptools \
        python3-wheel pybind11-dev python3-pybind11 python3-pytest python3-pymodbus
}

# Wine runs the Windows tests; where it cannot be installed they are left out, and said so.
vqdf_install_wine() {
    command -v wine >/dev/null && return 0
    apt-get update -qq >&2 || true
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine64 >&2 ||
        ! command -v wine >/dev/null; then
        echo "Wine cannot be installed here: the Windows tests are left out." >&2
        return 1
    fi
}

# The 32-bit Windows tests need Wine's 32-bit half, from Debian's i386 architecture; where it
# cannot be installed they are left out, and said so.
vqdf_install_wine32() {
    vqdf_installed wine32:i386 && return 0
    if ! { dpkg --add-architecture i386 && apt-get update -qq >&2 &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >&2; }; then
        echo "Wine's 32-bit half cannot be installed here: the i686 Windows tests are left out." >&2
        return 1
    fi
}
