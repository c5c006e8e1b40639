#!/bin/sh
# tools/icount on bench/icount_selftest: the difference between the two regions of
# each pair must be exactly the loop's work, 2000 instructions and no memory access
# for 1000 turns of subs/bne, and 400 instructions, 100 reads and 100 writes for
# 100 turns of ldr/str/subs/bne. Counted from QEMU's execution log always, and with the plugin
# too when its header has been fetched (tools/icount-header; it needs the network).
# Usage: icount_selftest.sh PROGRAM
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
program=$1
out=$(mktemp)
trap 'rm -f "$out"' EXIT

check() {
    method=$1
    "$here/tools/icount" --method "$method" --out "$out" "$program"
    awk -v method="$method" '
        { insns[$2] = $4; reads[$2] = $6; writes[$2] = $8 }
        END {
            bad = 0
            if (insns[1] - insns[0] != 2000) { print method ": spin counted " insns[1] - insns[0]; bad = 1 }
            if (insns[3] - insns[2] != 400) { print method ": touch counted " insns[3] - insns[2]; bad = 1 }
            if (reads[3] - reads[2] != 100) { print method ": reads " reads[3] - reads[2]; bad = 1 }
            if (writes[3] - writes[2] != 100) { print method ": writes " writes[3] - writes[2]; bad = 1 }
            if (reads[1] != reads[0] || writes[1] != writes[0]) { print method ": spin touched memory"; bad = 1 }
            if (NR != 4) { print method ": " NR " regions instead of 4"; bad = 1 }
            exit bad
        }' "$out"
    echo "icount $method: exact"
}

check log
if [ -n "$(find "$here/build/icount" -name qemu-plugin.h 2>/dev/null)" ]; then
    check plugin
else
    echo "icount plugin: not checked, no qemu-plugin.h fetched yet (tools/icount-header)"
fi
