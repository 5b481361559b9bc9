# Sourced by the test scripts that start processes in the background: each
# one's pid goes into pids, and all of them are stopped, by pid, at exit.
pids=()
stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
}
trap stop_all EXIT
