# Sourced by the command-line tests, which define fail().
#
# wait_until WHAT COMMAND...: returns once COMMAND succeeds, which is the event waited for; fails
# the test with WHAT after 30 s. The deadline only decides when to give up, never how fast a pass
# must be.
wait_until() {
    wait_what="$1"; shift
    for _ in $(seq 600); do "$@" && return; sleep 0.05; done
    fail "$wait_what"
}
