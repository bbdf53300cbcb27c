#!/usr/bin/env bash
# What quorvel.exe's PE header promises: it imports only Windows' KnownDLLs, which the
# loader takes from System32 whatever lies beside the program (anything else is loaded at
# run time, from System32); and the loader may place it anywhere in the 64-bit address
# space (ASLR with high entropy, with the relocations that needs) and runs no data (NX);
# and its functions guard their stacks (GCC's stack protector, linked in from libssp).
#
# Usage: check_exe_header.sh QUORVEL_EXE
set -uo pipefail

exe=${1:?usage: check_exe_header.sh QUORVEL_EXE}
header=$(x86_64-w64-mingw32-objdump -p "$exe") || {
    echo "FAIL: x86_64-w64-mingw32-objdump cannot read $exe"
    exit 1
}
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 10 and 11.
known_dlls=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32
    kernel32 msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore
    shell32 shlwapi user32 wldap32 ws2_32 "
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$header" | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
    [[ $known_dlls == *[[:space:]]$dll[[:space:]]* ]] || fail "imports $dll.dll, not a KnownDLL"
done
echo "imports: $(tr '\n' ' ' <<<"$imports")"

characteristics=$(sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$header")
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    grep -qw "$flag" <<<"$characteristics" || fail "DllCharacteristics lack $flag"
done
echo "DllCharacteristics: $(sed -n '2,$p' <<<"$characteristics" | grep -v '^Size' | tr -s '\t\n ' ' ')"
grep -qE '^Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$header" ||
    fail "no relocations: the loader cannot move it"

# The build's quorvel.exe keeps its symbols.
symbols=$(x86_64-w64-mingw32-nm "$exe")
grep -qE ' T __stack_chk_fail$' <<<"$symbols" ||
    fail "no __stack_chk_fail: built without -fstack-protector-strong"

((failures == 0)) && echo "all checks passed"
exit $((failures > 0))
