#!/usr/bin/env bash
# Makes an import library whose functions load their DLL at the first call instead of at the
# program's start, from the toolchain's own import library of that DLL.
#   delayed-import.sh NM DLLTOOL IMPORT_LIB DLL_NAME OUT
set -euo pipefail
nm=$1 dlltool=$2 lib=$3 dll=$4 out=$5
def=$out.def
names=$("$nm" -g "$lib" | sed -n 's/.* I __imp_\(.*\)$/\1/p' | sort -u)
# i686 names carry a leading underscore, and stdcall ones their size (__imp__CreateWindowExA@48);
# dlltool adds the underscore again, and --kill-at imports them by the bare name.
kill=()
if grep -q '@[0-9]*$' <<<"$names"; then
    names=$(sed 's/^_//' <<<"$names")
    kill=(--kill-at)
fi
printf 'LIBRARY %s\nEXPORTS\n%s\n' "$dll" "$names" > "$def"
"$dlltool" "${kill[@]}" --input-def "$def" --dllname "$dll" --output-delaylib "$out"
