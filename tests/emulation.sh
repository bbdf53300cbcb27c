# Sourced. Tells whether this system's programs run under an emulator: qemu-user through
# binfmt_misc, as in an arm64 chroot on an x86-64 machine. qemu-user answers uname with
# the machine it emulates, but the kernel's own sysctl still names the real one.

# emulation_in_use [KERNEL MACHINE]: prints what runs under what and succeeds if
# emulated; fails on a machine that runs these programs itself, 32-bit ones on a 64-bit
# kernel included, and where the kernel does not say (before Linux 6.1). The two names,
# as uname -m gives them, are this machine's unless given.
emulation_in_use() {
    local kernel=${1-} machine=${2-}
    [ $# -eq 2 ] || kernel=$(cat /proc/sys/kernel/arch 2>/dev/null) machine=$(uname -m)
    [ -n "$kernel" ] || return 1
    case "$kernel/$machine" in
    "$machine/$machine" | x86_64/i?86 | aarch64/arm* | ppc64*/ppc | s390x/s390 | mips64/mips*)
        return 1
        ;;
    esac
    echo "this $machine system runs under emulation (qemu-user) on an $kernel kernel"
}

# What cannot be tested there: Qt starts other programs through clone() with CLONE_PIDFD,
# which qemu-user refuses (EINVAL from Debian 12's 7.2), so under it QProcess starts
# nothing and no browser can be handed the author's address: the program says it could
# not open one, and its message box then stands in front of the window.
emulation_no_child_programs="under qemu-user Qt cannot start another program (it asks for\
 clone() with CLONE_PIDFD, which qemu-user refuses), so no browser can be handed the address"

# And the input method runs under the emulator too: its engine answers a key typed at a
# person's pace seconds later (with long pauses between the steps it does compose 中国),
# so whether composing keeps up with typing, which the pinyin checks are about, cannot
# be seen there.
emulation_slow_input_method="under qemu-user the input method is emulated too and answers\
 keys typed at a person's pace seconds late, so composing as one types cannot be judged"
