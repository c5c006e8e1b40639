#!/bin/sh
# Runs the DHCP client script as udhcpc would, under every POSIX shell at hand:
# stub ifconfig/route/ip record their arguments, a file or a pipe stands in for
# descriptor 9, and resolv.conf goes to a scratch file.
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

# run SHELL EVENT: the script with a lease environment; descriptor 9 is left to
# the caller. Standard error goes to $work/err.
run() {
    : >"$work/calls"
    # shellcheck disable=SC2086 # "busybox sh" is two words
    env -i PATH="$work/bin:/usr/bin:/bin" CALLS="$work/calls" RESOLV_CONF="${resolv:-$work/resolv.conf}" \
        interface=eth0 ip=192.168.1.42 subnet=255.255.255.0 broadcast=192.168.1.255 \
        router="192.168.1.1 192.168.1.2" dns="192.168.1.1 9.9.9.9" domain=lan lease=3600 \
        $1 "$conf" "$2" 2>"$work/err"
}

has_call() {
    grep -qxF "$1" "$work/calls" || fail "$2: no call \"$1\" in: $(tr '\n' ';' <"$work/calls")"
}

check_bound() {
    rm -f "$work/resolv.conf"
    : >"$work/fd9"
    run "$1" bound 9>"$work/fd9" || fail "bound: exit status $?"
    printf '%s' 192.168.1.42 >"$work/want"
    cmp -s "$work/want" "$work/fd9" || fail "bound wrote \"$(od -c "$work/fd9")\" to descriptor 9"
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
    : >"$work/fd9"
    run "$1" renew 9>"$work/fd9" || fail "renew: exit status $?"
    [ ! -s "$work/fd9" ] || fail "renew wrote to descriptor 9: $(cat "$work/fd9")"
    has_call "ifconfig eth0 192.168.1.42 netmask 255.255.255.0 broadcast 192.168.1.255" renew
}

# Whenever there is no lease (udhcpc's start, a lost lease, no server, a refusal)
# eth0 has the worker's fixed address, and the pipe hears nothing.
check_no_lease_events() {
    for event in deconfig leasefail nak; do
        : >"$work/fd9"
        run "$1" "$event" 9>"$work/fd9" || fail "$event: exit status $?"
        [ ! -s "$work/fd9" ] || fail "$event wrote to descriptor 9"
        [ "$(cat "$work/calls")" = "ifconfig eth0 192.168.1.230" ] ||
            fail "$event: $(tr '\n' ';' <"$work/calls") instead of the fixed address"
    done
}

# udhcpc started by hand: no descriptor 9. Nothing to report, nothing said.
check_bound_without_pipe() {
    run "$1" bound 9>&- || fail "bound without descriptor 9: exit status $?"
    [ ! -s "$work/err" ] || fail "bound without descriptor 9 complained: $(cat "$work/err")"
    has_call "ifconfig eth0 192.168.1.42 netmask 255.255.255.0 broadcast 192.168.1.255" no-fd9
}

# Through a real pipe, as on the board: the reader gets the address and no more.
# A reader that has gone (the application read its address long ago) makes the
# write fail with EPIPE, which must not end the script or make it complain.
check_bound_into_pipe() {
    run "$1" bound 9>&1 >/dev/null | cat >"$work/piped"
    printf '%s' 192.168.1.42 >"$work/want"
    cmp -s "$work/want" "$work/piped" || fail "bound through a pipe: \"$(cat "$work/piped")\""
    mkfifo "$work/gone"
    exec 8<>"$work/gone"
    exec 7>"$work/gone"
    exec 8<&-
    run "$1" bound 9>&7 || fail "bound into a pipe without reader: exit status $?"
    exec 7>&-
    rm -f "$work/gone"
    [ ! -s "$work/err" ] || fail "bound into a pipe without reader complained: $(cat "$work/err")"
    [ "$(tail -n 1 "$work/calls")" = "route add default gw 192.168.1.2 dev eth0 metric 1" ] ||
        fail "bound into a pipe without reader: the routes were not all set"
}

# Buildroot's /etc/resolv.conf is a link to ../tmp/resolv.conf, which does not
# exist at first: the target is written and the link kept. A target that cannot
# be written (here in a folder that does not exist, which stops root too) is left
# alone, quietly, and the rest of the event still happens.
check_resolv_conf_link() {
    rm -rf "$work/root"
    mkdir -p "$work/root/etc" "$work/root/tmp"
    ln -s ../tmp/resolv.conf "$work/root/etc/resolv.conf"
    resolv="$work/root/etc/resolv.conf"
    run "$1" bound 9>/dev/null
    [ -h "$resolv" ] || fail "resolv.conf: the link was replaced"
    grep -qx 'nameserver 9.9.9.9' "$work/root/tmp/resolv.conf" 2>/dev/null ||
        fail "resolv.conf: the link's target was not written"
    [ ! -s "$work/err" ] || fail "resolv.conf through a link: $(cat "$work/err")"
    ln -sf ../ro/resolv.conf "$resolv"
    : >"$work/fd9"
    run "$1" bound 9>"$work/fd9" || fail "unwritable resolv.conf: exit status $?"
    resolv=""
    [ ! -s "$work/err" ] || fail "unwritable resolv.conf complained: $(cat "$work/err")"
    [ "$(cat "$work/fd9")" = 192.168.1.42 ] || fail "unwritable resolv.conf: no address reported"
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
    check_no_lease_events "$shell_name"
    check_bound_without_pipe "$shell_name"
    check_bound_into_pipe "$shell_name"
    check_resolv_conf_link "$shell_name"
    tested=$((tested + 1))
    IFS='|'
done
IFS=$IFS_SAVED

[ "$tested" -gt 0 ] || { echo "FAIL no shell found"; exit 1; }
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "udhcpc.conf: all checks passed under $tested shell(s)"
