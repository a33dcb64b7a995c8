#!/usr/bin/env bash
# Fails when a Windows build imports anything but the system DLLs (USER32 only late),
# lacks its application manifest (administrator rights, the supported systems, system DPI
# awareness) or its version resource, when the i686 build grows past 256 KiB or loses the
# subsystem version NT 4.0 loads, or when z4setup.exe is not a windowed program (subsystem 2) or
# z4setup.com not a console one (3), or when the i686 build imports a function tools/nt4-imports.txt does not list as exported by Windows NT 4.0 SP6a.
set -euo pipefail
status=0
for exe in "$@"; do
    dump=$(x86_64-w64-mingw32-objdump -p "$exe")
    dlls=$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')
    # The x86_64 exes import USER32 late: its DLL and function names stand in the image, outside
    # the import table; the build's list of USER32's exports tells which of its strings they are.
    delayed=""
    case "$(printf '%s\n' "$dump" | sed -n 's/.*file format //p' | head -n1)" in
    pei-i386) want_dlls="ADVAPI32.dll KERNEL32.dll msvcrt.dll "
        # The i686 exes look USER32's functions up themselves, at their first call: the names of
        # setup.d/platform/platform_user32.h's list stand in the image, and the DLL's name.
        list=$(sed -n '/^#define Z4_USER32_FUNCTIONS/,/^$/p' "$(dirname "$0")/../setup.d/platform/platform_user32.h" |
               grep -o 'X([A-Za-z]*)' | sed 's/X(\(.*\))/\1/')
        names=$(strings "$exe")
        for name in $list; do
            if grep -x -- "$name" <<<"$names" >/dev/null; then
                delayed+="USER32.dll $name"$'\n'
            else
                echo "FAIL $exe does not name USER32's $name"; status=1
            fi
        done
        if [ -z "$list" ] || ! grep -x 'user32.dll' <<<"$names" >/dev/null; then
            echo "FAIL $exe does not load USER32 late"; status=1
        fi;;
    *)  want_dlls="ADVAPI32.dll KERNEL32.dll msvcrt.dll "
        def=$(dirname "$exe")/libuser32_delayed.a.def
        if [ ! -f "$def" ]; then
            echo "FAIL $exe: no $def beside it"; status=1
        else
            # A name follows its two-byte hint, which strings may take for part of it.
            delayed=$(strings "$exe" | awk -v def="$def" '
                BEGIN { while ((getline l < def) > 0) if (++n > 2) name[l] = 1 }
                { for (i = 1; i <= 3; ++i) if (substr($0, i) in name) { print "USER32.dll " substr($0, i); break } }' | sort -u)
            # grep reads all that strings prints: with -q it would stop at the first match, and
            # the pipe's failure (SIGPIPE to strings, under pipefail) would fail the check at random.
            if ! strings "$exe" | grep -x 'USER32.dll' >/dev/null ||
                ! grep -q 'USER32.dll DialogBoxParamA' <<<"$delayed"; then
                echo "FAIL $exe does not load USER32 late"; status=1
            fi
        fi;;
    esac
    if [ "$dlls" != "$want_dlls" ]; then
        echo "FAIL $exe imports: $dlls"; status=1
    fi
    # The resource types at the top of the directory: 5 dialog, 16 version, 24 manifest.
    types=$(printf '%s\n' "$dump" | sed -n '/Resource Directory section/,$p' |
            sed -n 's/^0[0-9a-f]*   Entry: ID: 0x0*\([0-9a-f]*\),.*/\1/p' | tr '\n' ' ')
    for want in 5 10 18; do
        case " $types" in *" $want "*) ;; *) echo "FAIL $exe has no resource of type 0x$want"; status=1;; esac
    done
    text=$(strings "$exe"; strings -el "$exe")
    for want in 'level="requireAdministrator"' 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' \
                '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
                'FileDescription' 'Zentrix IV Configuration' 'Korvana'; do
        grep -qF -- "$want" <<<"$text" || { echo "FAIL $exe lacks $want"; status=1; }
    done
    subsystem=$(printf '%s\n' "$dump" | awk '$1 == "Subsystem" {print $2 + 0}')
    case "$exe" in *.com) want=3;; *) want=2;; esac
    if [ "$subsystem" != "$want" ]; then
        echo "FAIL $exe has subsystem $subsystem (want $want)"; status=1
    fi
    major=$(printf '%s\n' "$dump" | awk '/MajorSubsystemVersion/ {print $2}')
    minor=$(printf '%s\n' "$dump" | awk '/MinorSubsystemVersion/ {print $2}')
    size=$(stat -c %s "$exe")
    # The i686 image is the one NT 4.0 must load and that the size limit is for.
    case "$(printf '%s\n' "$dump" | sed -n 's/.*file format //p' | head -n1)" in pei-i386)
        if [ "$major.$minor" != "4.0" ]; then
            echo "FAIL $exe subsystem version $major.$minor"; status=1
        fi
        if [ "$size" -gt 262144 ]; then echo "FAIL $exe is $size bytes (limit 262144)"; status=1; fi
        # Every import must be one Windows NT 4.0 SP6a exports.
        imports=$(printf '%s\n' "$dump" | sed -n '/The Import Tables/,/^The Export\|^PE File Base/p' |
                  awk '/DLL Name:/ {dll=$3; next} /^\t[0-9a-f]+\t/ && dll {print dll, $NF}'; printf '%s' "$delayed")
        known=$(grep -v '^#' "$(dirname "$0")/nt4-imports.txt")
        while read -r import; do
            [ -n "$import" ] || continue
            grep -qixF -- "$import" <<<"$known" ||
                { echo "FAIL $exe imports $import, not confirmed for Windows NT 4.0 (tools/nt4-imports.txt)"; status=1; }
        done <<<"$imports";;
    esac
    echo "exe $exe: $size bytes, subsystem $subsystem version $major.$minor, imports $dlls, late: $(grep -c . <<<"$delayed") of USER32, resource types: $types"
done
exit $status
