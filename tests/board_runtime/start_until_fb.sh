#!/usr/bin/env bash
# The board binary starts on QEMU's ARMv4T CPU: in private user, mount and PID
# namespaces, with a stick already mounted on /tmp/d and a /dev without fb0, it
# must get through the C library's start, the font discovery and the glyph
# atlas (whose boxes it prints), and stop at the framebuffer with the perror
# text of its own C library and status 1. An instruction the CPU lacks would end
# it with SIGILL (status 132) instead.
#
# The program puts /dev/null on its standard descriptors at once; here /dev/null
# is a file of ours, so what it writes there is read back.
# Usage: start_until_fb.sh IPSLIDE FRAME_STILL FONT.ttf
set -euo pipefail

program=$1
frame_still=$2
font=$3
qemu=(qemu-arm -cpu ti925t)

# The C library's words for ENOENT, from the same runtime the binary links.
expected="open /dev/fb0: $("${qemu[@]}" "$frame_still" --strerror 2)"

# A program that dies leaves no core file behind.
ulimit -c 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: >"$work/stderr"
status=0
# The shell stays PID 1 of the namespace and waits for the program: when it
# ends, its workers end with it. (qemu as PID 1 could not die of the guest's
# SIGILL: init ignores a signal it sends itself.)
# The program is copied out before the private /tmp covers the real one: the
# checkout, and so the program, may well live under /tmp.
# shellcheck disable=SC2016 # expanded by the inner shell
unshare --user --map-root-user --mount --pid --fork sh -c '
    set -e
    mount -t tmpfs dev /dev
    touch /dev/null && mount --bind "$1/stderr" /dev/null
    mkdir /dev/board && cp "$3" /dev/board/ipslide
    mount -t tmpfs tmp /tmp
    mkdir /tmp/d && mount -t tmpfs stick /tmp/d
    cp "$2" /tmp/d/concours-48.ttf
    shift 3
    "$@" /dev/board/ipslide' sh "$work" "$font" "$program" "${qemu[@]}" \
    >"$work/qemu" 2>&1 || status=$?
out=$work/stderr
cat "$work/qemu" >>"$out"

glyphs=$(grep -c '^x [0-9]* y [0-9]* x_max [0-9]* y_max [0-9]*$' "$out" || true)
# The workers it forked write their own failures (no udhcpc, no touch device)
# into the same file, in any order; the main process's last words are a line
# of their own.
if [ "$status" -ne 1 ] || [ "$glyphs" -lt 11 ] || ! grep -qxF "$expected" "$out"; then
    echo "start_until_fb: status $status (want 1), $glyphs glyph boxes (want 11 or more)," \
        "want the line \"$expected\"; its output:" >&2
    tail -n 20 "$out" >&2
    exit 1
fi
echo "start_until_fb: $glyphs glyph boxes, then \"$expected\", status 1"
