#!/usr/bin/env bash
# Builds Tarnwick and starts it on the simulated programmer, in run/ (where it keeps
# Tarnwick.Cfg and finds Tarnwick.Txt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
mkdir -p run
cp docs/Tarnwick.Txt run/
cd run
exec ../build/tarnwick-sim
