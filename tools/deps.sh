# Installs the Debian packages the build needs, skipping what is already there.
# Sourced by ./run and ./test.
QOR_PACKAGES=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  liblua5.1-0 liblua5.1-0-dev
  libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth poppler-utils
)

qor_install_deps() {
  local missing=()
  for p in "${QOR_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

qor_jobs() { nproc 2>/dev/null || echo 2; }
