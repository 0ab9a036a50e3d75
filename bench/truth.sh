#!/usr/bin/env bash
# truth.sh CORPUS_DIR [BUILD_DIR]
#
# Whether the final records tell the truth about each function. Runs
# `kavenor analyze` on the corpus in a scratch folder, then bench/truth.py
# compares FunctionList4/ and RAM_ALL/ with Universal Ctags on the
# preprocessed copy (parameters, locals, file-level variables, macros,
# enumerators, members, definitions) and with the copy's own text (return
# statements, definition headers). One line per measure, with its goal.
#
# KEEP=1 keeps the scratch folder, WORK=DIR measures a kept one (see
# bench/analyze-scratch.sh); DETAIL=N prints N examples of each measure, for
# checking them against the source.
set -euo pipefail
. "$(dirname "$0")/analyze-scratch.sh"
measure truth.py
