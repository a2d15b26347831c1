#!/bin/bash
# Makes the sound fixtures the tests share, into the folder given.
set -euo pipefail
OUT=${1:?output folder}
mkdir -p "$OUT"
