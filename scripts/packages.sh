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
        python3-wheel pybind11-dev python3-pybind11 python3-pytest python3-pymodbus \
        python3-hypothesis python3-cram librapidcheck-dev lintian dpkg-dev file
}

# Wine runs the Windows tests: its 64-bit loader, /usr/lib/wine/wine64, the x86_64 programs; where
# it cannot be installed they are left out, and said so.
vqdf_install_wine() {
    [ -x /usr/lib/wine/wine64 ] && return 0
    apt-get update -qq >&2 || true
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine64 >&2 ||
        [ ! -x /usr/lib/wine/wine64 ]; then
        echo "Wine cannot be installed here: the Windows tests are left out." >&2
        return 1
    fi
}

# Whether this machine's kernel runs 32-bit x86 programs (many no longer do): a program of 93 bytes
# that exits at once, written here, so that nothing is installed to ask.
vqdf_runs_32bit_programs() {
    local probe
    probe="$(mktemp)"
    /usr/bin/python3 - "$probe" <<'PYTHON'
import struct, sys
code = bytes([0x31, 0xDB, 0xB8, 1, 0, 0, 0, 0xCD, 0x80])  # exit(0) through int 0x80
base, size = 0x08048000, 52 + 32 + len(code)
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack(
    "<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with open(sys.argv[1], "wb") as out:
    out.write(header + segment + code)
PYTHON
    chmod +x "$probe"
    local status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return "$status"
}

# Wine's 32-bit half, /usr/lib/wine/wine, from Debian's i386 architecture, runs the i686 programs;
# where it cannot be installed they are left out, and said so.
vqdf_install_wine32() {
    vqdf_installed wine32:i386 && return 0
    if ! { dpkg --add-architecture i386 && apt-get update -qq >&2 &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >&2; }; then
        echo "Wine's 32-bit half cannot be installed here: the i686 Windows tests are left out." >&2
        return 1
    fi
}
