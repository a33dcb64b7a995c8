#!/usr/bin/env bash
# Runs the registry probe under Wine (64- and 32-bit) and against the emulation and diffs them,
# then passes the .reg fixtures through Wine's regedit and the emulation's loader both ways.
# Output lands in $OUT (default /tmp/reg-probe); the prefix is $WINEPREFIX (default /tmp/regprobe).
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${OUT:-/tmp/reg-probe}"
fix="$root/tests/fixtures/reg"
emu="$root/emulation"
registry="$emu/win32/registry.cpp $emu/win32/registry_model.cpp $emu/testing/registry_setup.cpp $emu/testing/registry_faults.cpp"
includes="-I $emu/win32 -I $emu/testing"
mkdir -p "$out"
cd "$out"
set -e
g++ -std=c++17 $includes "$root/tools/probes/reg_probe.cpp" $registry -o reg_probe
g++ -std=c++17 $includes "$root/tools/probes/reg_dump.cpp" $registry \
    "$emu/testing/reg_file.cpp" -o reg_dump
for arch in x86_64 i686; do
    "$arch-w64-mingw32-g++-posix" -O1 -static "$root/tools/probes/reg_probe.cpp" -ladvapi32 \
        -o "reg_probe_$arch.exe"
done
x86_64-w64-mingw32-g++-posix -O1 -static "$root/tools/probes/reg_dump.cpp" -ladvapi32 -o reg_dump.exe
set +e

export WINEPREFIX="${WINEPREFIX:-/tmp/regprobe}" WINEDEBUG=-all WINEARCH=win64
W=/usr/lib/wine/wine64
[ -d "$WINEPREFIX" ] || $W wineboot -i >/dev/null 2>&1
status=0

./reg_probe >emu.txt
$W reg_probe_x86_64.exe | tr -d '\r' >wine64.txt
/usr/lib/wine/wine reg_probe_i686.exe | tr -d '\r' >wine32.txt
for w in wine64 wine32; do
    if diff emu.txt $w.txt >diff_$w.txt; then echo "probe: emulation = $w"; else
        echo "probe: emulation differs from $w:"; cat diff_$w.txt; status=1; fi
done

# Registry contents as Wine and the emulation hold them after the same file went in.
keys=('SYSTEM\CurrentControlSet\Services\Serialz4' 'SOFTWARE\Z4Fixture' 'SOFTWARE\Z4Odd')
printf 'Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Z4Odd]\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Z4Fixture]\r\n[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serialz4]\r\n' >clean.reg
wine_state() { $W reg_dump.exe "${keys[@]}" | tr -d '\r'; }
for f in z4_board_unicode z4_board_regedit4 z4_board_ansi5_lf odd_values; do
    $W regedit /s clean.reg
    $W regedit /s "$fix/$f.reg"
    wine_state >wine_$f.txt
    ./reg_dump --load "$fix/$f.reg" "${keys[@]}" >emu_$f.txt
    echo "import $f.reg: emulation vs Wine"; diff emu_$f.txt wine_$f.txt
done
./reg_dump --load "$fix/z4_board_unicode.reg" --load "$fix/odd_values.reg" "${keys[@]}" >emu_all.txt
for fmt in save5 save5ansi save4; do
    ./reg_dump --load "$fix/z4_board_unicode.reg" --load "$fix/odd_values.reg" --$fmt saved_$fmt.reg >/dev/null
    $W regedit /s clean.reg
    $W regedit /s saved_$fmt.reg
    wine_state >wine_saved_$fmt.txt
    echo "emulation --$fmt imported by Wine: emulation vs Wine"; diff emu_all.txt wine_saved_$fmt.txt
    $W regedit /e wine_export_$fmt.reg 'HKEY_LOCAL_MACHINE\SOFTWARE\Z4Odd'
    ./reg_dump --load wine_export_$fmt.reg 'SOFTWARE\Z4Odd' >emu_reloaded_$fmt.txt
    $W reg_dump.exe 'SOFTWARE\Z4Odd' | tr -d '\r' >wine_odd_$fmt.txt
    echo "Wine's export loaded by the emulation: emulation vs Wine"; diff emu_reloaded_$fmt.txt wine_odd_$fmt.txt
done
$W regedit /s clean.reg
/usr/lib/wine/wineserver -k
exit $status
