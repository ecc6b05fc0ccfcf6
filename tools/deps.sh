# Installs the Debian packages the build needs, skipping what is already there.
# Sourced by ./run and ./test.
QOR_PACKAGES=(
  cmake g++ ninja-build pkg-config clang-format
  qt6-base-dev qt6-svg-dev libgl-dev
  liblua5.1-0 liblua5.1-0-dev
  libpugixml-dev
  libflint-arb-dev libflint-dev libmpfr-dev libgmp-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 qt6-translations-l10n
  xvfb xauth poppler-utils
  desktop-file-utils shared-mime-info
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

# The locale tests switch the C library to German (decimal comma) to show that no
# text form depends on it; the locale is compiled once when it is missing.
qor_install_test_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Compiling the locale de_DE.UTF-8 for the tests"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "de_DE.UTF-8 unavailable: its locale test will be skipped" >&2
}

qor_jobs() { nproc 2>/dev/null || echo 2; }
