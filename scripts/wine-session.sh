# Sourced by test.sh: a Wine prefix inside the build tree, one persistent
# wineserver and an Xvfb display for the whole run, all stopped by pid at exit.
# Usage: . wine-session.sh BUILD_DIR

zq_wine_pids=()

zq_wine_stop() {
  local pid
  # The prefix's own processes (services, explorer...) go with its server.
  [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1 || true
  for pid in "${zq_wine_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${zq_wine_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  zq_wine_pids=()
}

zq_wine_start() {
  export WINEPREFIX="$1/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"

  # Without a persistent server every Wine process pays seconds of start-up.
  wineserver -p -f </dev/null >/dev/null 2>&1 &
  zq_wine_pids+=($!)

  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  zq_wine_pids+=($!)
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "-- creating the Wine prefix in $WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
  fi
  # The session's first Wine program starts the prefix's services, which keep
  # its standard handles open until the server stops: this one has none, so
  # no test's output pipe stays open behind it. It also leaves windows
  # unmanaged by the X driver, which closes them at once instead of waiting
  # two seconds for a window manager that Xvfb does not have.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}
