# Sourced by the scripts that drive a display.
# wait_for TENTHS COMMAND...: waits up to TENTHS tenths of a second for the
# command to succeed; false when it never did.
wait_for() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
