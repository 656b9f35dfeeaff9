#!/bin/sh
# The random operator test with a long budget: random sequences of run commands, corrections,
# Ctrl+Z and restarts against the station's model. Usage:
#   scripts/random-operator.sh [seconds (default 600)] [first seed (default 1)] [build folder]
# CI runs the same test for 20 s. A failure prints its seed and the shrunk sequence.
set -eu
seconds=${1:-600}
seed=${2:-1}
build=${3:-build}
CANIPARC_RANDOM_SECONDS=$seconds CANIPARC_RANDOM_SEED=$seed exec "$build/bin/test_core_random"
