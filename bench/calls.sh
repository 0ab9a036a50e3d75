#!/usr/bin/env bash
# calls.sh CORPUS_DIR [BUILD_DIR]
#
# Whether the records list every call and file it under what the project
# defines. Runs `kavenor analyze` on the corpus in a scratch folder, then
# bench/calls.py reads each function body of the preprocessed copy (extent
# from Universal Ctags) for its callees and compares: callee recall over the
# functions defined once, 定義なし entries that the project defines, macro
# calls, call texts cut short, member calls without their base, and "Not
# Found Function" records that are no prototype.
#
# KEEP=1, WORK=DIR and DETAIL=N as in bench/truth.sh.
set -euo pipefail
. "$(dirname "$0")/analyze-scratch.sh"
measure calls.py
