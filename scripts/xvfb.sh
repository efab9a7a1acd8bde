# Sourced: start_xvfb starts a private Xvfb on a free display, waits until it
# takes connections, and sets DISPLAY and XVFB_PID.
start_xvfb() {
    local numberFile
    numberFile="$(mktemp)"
    Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp >"$numberFile" 2>/dev/null &
    XVFB_PID=$!
    for _ in $(seq 300); do
        [ -s "$numberFile" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || { echo "Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
    [ -s "$numberFile" ] || { echo "Xvfb did not come up" >&2; return 1; }
    export DISPLAY=":$(head -1 "$numberFile")"
    rm -f "$numberFile"
}
