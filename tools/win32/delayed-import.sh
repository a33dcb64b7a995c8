#!/usr/bin/env bash
# Makes an import library whose functions load their DLL at the first call instead of at the
# program's start, from the toolchain's own import library of that DLL.
#   delayed-import.sh NM DLLTOOL IMPORT_LIB DLL_NAME OUT
set -euo pipefail
nm=$1 dlltool=$2 lib=$3 dll=$4 out=$5
def=$out.def
# x86_64 names only: the i686 exes import USER32 as usual (binutils 2.40's i686 thunks for a
# late import jump to address 0), and their decorated names would need rewriting first.
names=$("$nm" -g "$lib" | sed -n 's/.* I __imp_\(.*\)$/\1/p' | sort -u)
printf 'LIBRARY %s\nEXPORTS\n%s\n' "$dll" "$names" > "$def"
"$dlltool" --input-def "$def" --dllname "$dll" --output-delaylib "$out"
