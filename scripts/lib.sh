# Shared by the scripts: installs the Debian packages a command needs, only when missing.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running need on a fresh Debian 12 machine.
build_packages=(cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
                libgumbo-dev libuchardet-dev libcurl4-openssl-dev qtkeychain-qt6-dev fonts-ipafont-mincho
                fonts-ipafont-gothic)
# What the tests need besides: the validators of the desktop entry and the AppStream metadata,
# every Japanese font package the Debian package accepts, with the Latin face of a desktop, for the
# layout tests; lintian with the tools that build the Debian package it checks; openssl for the link
# check's test certificates; strace, which makes a sync to disk fail for the fault tests; the servers
# the publishing tests start on the loopback interface (FTP and FTPS, SFTP, WebDAV and the public
# address) and the SSH keys they make.
test_packages=(desktop-file-utils appstream fonts-ipaexfont-gothic fonts-ipaexfont-mincho fonts-noto-cjk
               fonts-dejavu-core lintian dpkg-dev openssl strace vsftpd openssh-server openssh-client apache2)
# The benchmark runs Debian's linkchecker on the link check's local servers, for comparison.
bench_packages=(linkchecker python3 time)
# What building the Debian package needs besides: dpkg-shlibdeps finds the library dependencies.
package_packages=(dpkg-dev)
# The sanitizer build uses g++'s AddressSanitizer and UndefinedBehaviorSanitizer runtimes.
sanitize_packages=(libasan8 libubsan1)
# The fuzz targets need clang's libFuzzer and its sanitizer runtimes.
fuzz_packages=(clang libclang-rt-14-dev)

ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# configure_and_build DIR BUILD_TYPE [cmake options...]
# Compiles through ccache when the machine has it: worktrees and the several build folders then
# share one cache.
configure_and_build() {
    local dir=$1 type=$2
    shift 2
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
