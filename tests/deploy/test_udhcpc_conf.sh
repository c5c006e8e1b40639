#!/bin/sh
# Runs the DHCP client script as udhcpc would, under every POSIX shell at hand:
# stub ifconfig/route/ip record their arguments, a file or a pipe stands in for
# descriptor 4, and resolv.conf goes to a scratch file.
# usage: test_udhcpc_conf.sh PATH/TO/udhcpc.conf
set -u
conf=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    printf 'FAIL [%s] %s\n' "$shell_name" "$1"
    failures=$((failures + 1))
}

mkdir "$work/bin"
for cmd in ifconfig route ip; do
    # shellcheck disable=SC2016 # $* and $CALLS belong to the stub
    printf '#!/bin/sh\necho "%s $*" >>"$CALLS"\n' "$cmd" >"$work/bin/$cmd"
    chmod +x "$work/bin/$cmd"
done

# run SHELL EVENT: the script with a lease environment; descriptor 4 is left to
# the caller. Standard error goes to $work/err.
run() {
    : >"$work/calls"
    # shellcheck disable=SC2086 # "busybox sh" is two words
    env -i PATH="$work/bin:/usr/bin:/bin" CALLS="$work/calls" RESOLV_CONF="$work/resolv.conf" \
        interface=eth0 ip=192.168.1.42 subnet=255.255.255.0 broadcast=192.168.1.255 \
        router="192.168.1.1 192.168.1.2" dns="192.168.1.1 9.9.9.9" domain=lan lease=3600 \
        $1 "$conf" "$2" 2>"$work/err"
}

has_call() {
    grep -qxF "$1" "$work/calls" || fail "$2: no call \"$1\" in: $(tr '\n' ';' <"$work/calls")"
}

check_bound() {
    rm -f "$work/resolv.conf"
    : >"$work/fd4"
    run "$1" bound 4>"$work/fd4" || fail "bound: exit status $?"
    printf '%s' 192.168.1.42 >"$work/want"
    cmp -s "$work/want" "$work/fd4" || fail "bound wrote \"$(od -c "$work/fd4")\" to descriptor 4"
    has_call "ifconfig eth0 192.168.1.42 netmask 255.255.255.0 broadcast 192.168.1.255" bound
    has_call "route add default gw 192.168.1.1 dev eth0 metric 0" bound
    has_call "route add default gw 192.168.1.2 dev eth0 metric 1" bound
    printf 'search lan\nnameserver 192.168.1.1\nnameserver 9.9.9.9\n' >"$work/want"
    cmp -s "$work/want" "$work/resolv.conf" || fail "bound: resolv.conf is wrong"
    # Every stub "succeeds", so only the script's own bound ends the route removal.
    dels=$(grep -c '^route del default dev eth0$' "$work/calls")
    [ "$dels" -eq 16 ] || fail "bound: $dels route removals, expected the bound of 16"
    [ ! -s "$work/err" ] || fail "bound: wrote to stderr: $(cat "$work/err")"
}

check_renew() {
    : >"$work/fd4"
    run "$1" renew 4>"$work/fd4" || fail "renew: exit status $?"
    [ ! -s "$work/fd4" ] || fail "renew wrote to descriptor 4: $(cat "$work/fd4")"
    has_call "ifconfig eth0 192.168.1.42 netmask 255.255.255.0 broadcast 192.168.1.255" renew
}

check_deconfig() {
    : >"$work/fd4"
    run "$1" deconfig 4>"$work/fd4" || fail "deconfig: exit status $?"
    [ ! -s "$work/fd4" ] || fail "deconfig wrote to descriptor 4"
    has_call "ifconfig eth0 0.0.0.0" deconfig
    ! grep -q 192.168.1.42 "$work/calls" || fail "deconfig configured the address"
}

# udhcpc started by hand: no descriptor 4. Nothing to report, nothing said.
check_bound_without_pipe() {
    run "$1" bound 4>&- || fail "bound without descriptor 4: exit status $?"
    [ ! -s "$work/err" ] || fail "bound without descriptor 4 complained: $(cat "$work/err")"
    has_call "ifconfig eth0 192.168.1.42 netmask 255.255.255.0 broadcast 192.168.1.255" no-fd4
}

# Through a real pipe, as on the board: the reader gets the address and no more.
check_bound_into_pipe() {
    run "$1" bound 4>&1 >/dev/null | cat >"$work/piped"
    printf '%s' 192.168.1.42 >"$work/want"
    cmp -s "$work/want" "$work/piped" || fail "bound through a pipe: \"$(cat "$work/piped")\""
}

shells=""
for candidate in sh dash bash "busybox sh"; do
    # shellcheck disable=SC2086 # split "busybox sh" into command and argument
    set -- $candidate
    if command -v "$1" >/dev/null 2>&1 && { [ "$1" != busybox ] || busybox sh -c : 2>/dev/null; }
    then
        shells="$shells|$candidate"
    fi
done

tested=0
IFS_SAVED=$IFS
IFS='|'
for shell_name in $shells; do
    [ -n "$shell_name" ] || continue
    IFS=$IFS_SAVED
    # shellcheck disable=SC2086 # "busybox sh" is two words
    $shell_name -n "$conf" || fail "syntax"
    check_bound "$shell_name"
    check_renew "$shell_name"
    check_deconfig "$shell_name"
    check_bound_without_pipe "$shell_name"
    check_bound_into_pipe "$shell_name"
    tested=$((tested + 1))
    IFS='|'
done
IFS=$IFS_SAVED

[ "$tested" -gt 0 ] || { echo "FAIL no shell found"; exit 1; }
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "udhcpc.conf: all checks passed under $tested shell(s)"
