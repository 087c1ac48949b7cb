# Sourced by the scripts: installs missing Debian packages.
#
# ensure_packages PKG...: installs the packages that dpkg does not list as
# installed, running apt-get update once first. Needs root when anything is
# missing; otherwise it only checks.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root to install them)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}" >&2
  if [ -z "${ZELVAR_APT_UPDATED:-}" ]; then
    apt-get update -qq >&2
    export ZELVAR_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# The packages every build needs.
ZELVAR_BUILD_PACKAGES=(cmake make g++ gcc binutils pkg-config libgtest-dev libgmock-dev libinih-dev libcli11-dev)

# The 32-bit build's: the multilib compiler, qemu to run the tests, and the
# i386 editions of the libraries it links.
ZELVAR_I386_PACKAGES=(g++-multilib qemu-user libgtest-dev:i386 libgmock-dev:i386 libinih-dev:i386)
