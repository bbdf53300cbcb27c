#!/usr/bin/env bash
# Which pairings of kernel and userland the test command takes for emulation.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../emulation.sh"

# Each case: the kernel's machine, the userland's (uname -m), emulated or native.
cases=(
    "x86_64 x86_64 native"
    "x86_64 i686 native" # an i386 chroot under linux32
    "aarch64 aarch64 native"
    "aarch64 armv8l native" # armhf on an arm64 kernel
    "ppc64le ppc64le native"
    "s390x s390 native"
    "x86_64 aarch64 emulated"
    "x86_64 armv7l emulated"
    "x86_64 s390x emulated"
    "x86_64 loongarch64 emulated"
    "aarch64 x86_64 emulated"
    "aarch64 i686 emulated"
    "'' aarch64 native" # a kernel that does not say
)

failed=0
for case in "${cases[@]}"; do
    eval "set -- $case"
    got=native
    said=$(emulation_in_use "$1" "$2") && got=emulated
    if [ "$got" = "$3" ] && { [ "$got" = native ] || [[ $said == *"$2 system"*"$1 kernel" ]]; }; then
        echo "PASS $2 on ${1:-no kernel name}: $got"
    else
        echo "FAIL $2 on ${1:-no kernel name}: got $got ('$said'), want $3"
        failed=$((failed + 1))
    fi
done
echo "emulation: $((${#cases[@]} - failed)) passed, $failed failed"
[ $failed -eq 0 ]
