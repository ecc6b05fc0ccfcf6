#!/usr/bin/env bash
# Sets the calculation against the SciPy script a Python user would write
# (bench/scipy_peer.py) on three tasks and prints the in-process and the whole-process
# ratios, the peak memory of kaloroots and the vector-register check (bench/compare.py).
# Builds nothing: it takes qorbench and kaloroots from the build folder ./test uses.
#
#   bench/compare.sh [BUILD_FOLDER [ROUNDS]]     defaults: build/test, 3
#
# SciPy is Debian's python3-scipy for the system's python3; it is installed here when
# missing (./test does not need it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
rounds=${2:-3}
python=/usr/bin/python3

for program in qorbench kaloroots; do
  if [ ! -x "$build/bin/$program" ]; then
    echo "$build/bin/$program is missing: run ./test first (or name the build folder)." >&2
    exit 1
  fi
done

if ! "$python" -c 'import scipy' 2>/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing python3-scipy" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends python3-scipy
fi

exec "$python" bench/compare.py "$build/bin" "$rounds"
