#!/usr/bin/env bash
# All the set-up the project needs on a fresh Debian 12 machine: packages, the cross-built
# libraries and the Wine prefix. Idempotent; each step skips what is already done.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/install-packages.sh"
bash "$here/build-cross-libs.sh"
bash "$here/setup-prefix.sh"
