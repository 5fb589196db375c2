#!/usr/bin/env bash
# make-installer.sh EXE VERSION OUTFILE
# The Windows installer of EXE (quillenta.nsi), with the licence and the icon of this tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
exe=$(realpath "$1") version=$2 out=$(realpath -m "$3")
# The version resource wants four numbers: 2.0 is 2.0.0.0.
IFS=. read -r -a parts <<<"$version"
while [ ${#parts[@]} -lt 4 ]; do parts+=(0); done
quad=$(IFS=. && echo "${parts[*]:0:4}")
makensis -V2 -INPUTCHARSET UTF8 "-DVERSION=$version" "-DVERSION_QUAD=$quad" "-DEXE=$exe" \
  "-DLICENSE=$source_dir/LICENSE" "-DICON=$source_dir/data/quillenta.ico" "-DOUTFILE=$out" \
  "$here/quillenta.nsi" >&2
