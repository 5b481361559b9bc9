# Sourced by the scripts that run Windows programs: one Xvfb display for the
# whole run and, per Windows build tree, its own Wine prefix and one
# persistent wineserver; all stopped by pid at exit.
# Usage: . wine-session.sh; zq_wine_start BUILD_DIR...; zq_wine_stop

zq_wine_pids=()
zq_wine_prefixes=()
zq_wine_servers=()

zq_wine_stop() {
  local i pid
  # The prefix's own processes (services, explorer...) go with its server.
  for i in "${!zq_wine_prefixes[@]}"; do
    WINEPREFIX=${zq_wine_prefixes[$i]} "${zq_wine_servers[$i]}" -k </dev/null >/dev/null 2>&1 || true
  done
  for pid in "${zq_wine_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${zq_wine_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  zq_wine_pids=()
  zq_wine_prefixes=()
  zq_wine_servers=()
  ZQ_DISPLAY_STARTED=
}

# ZQ_USE_DISPLAY=1 keeps a DISPLAY that is already set (the user's screen).
zq_display_start() {
  [ -n "${ZQ_DISPLAY_STARTED:-}" ] && return 0
  if [ -n "${ZQ_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    ZQ_DISPLAY_STARTED=1
    return 0
  fi
  local n i
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  zq_wine_pids+=($!)
  export DISPLAY=":$n"
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  ZQ_DISPLAY_STARTED=1
}

# Every Wine call goes through the build tree's wine-run.sh, which names the
# loader and the server of the build's width and the tree's own prefix (a
# server makes a new prefix of its own width).
zq_wine_start() {
  local build run prefix server
  zq_display_start
  for build in "$@"; do
    run="$build/wine-run.sh"
    prefix=$(sed -n 's/^WINEPREFIX=//p' "$run")
    server=$(sed -n 's/^WINESERVER=//p' "$run")
    mkdir -p "$prefix"
    zq_wine_prefixes+=("$prefix")
    zq_wine_servers+=("$server")

    # Without a persistent server every Wine process pays seconds of start-up.
    WINEPREFIX=$prefix "$server" -p -f </dev/null >/dev/null 2>&1 &
    zq_wine_pids+=($!)

    if [ ! -f "$prefix/system.reg" ]; then
      echo "-- creating the Wine prefix in $prefix"
      "$run" wineboot -i </dev/null >/dev/null 2>&1
    fi
    # The title bar's buttons are letters of Marlett, which fonts-wine brings
    # but this Wine does not look for in its own folder: without it they read
    # "0 1 r". Only that font, so the other texts keep their metrics.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
      ln -sf /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/marlett.ttf"
    fi
    # The session's first Wine program starts the prefix's services, which keep
    # its standard handles open until the server stops: this one has none, so
    # no test's output pipe stays open behind it. It also leaves windows
    # unmanaged by the X driver, which closes them at once instead of waiting
    # two seconds for a window manager that Xvfb does not have.
    "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    zq_desktop_start "$build"
  done
}

# The desktop process, which the first program with a window starts, keeps
# that program's standard handles, so a test's output pipe would stay open
# behind it; and it builds the font cache, which takes minutes on a busy
# machine. Started here by a program that has no handles worth keeping and
# stays until the server stops, it holds no test's output and no test pays
# for it.
zq_desktop_start() {
  local dir i
  dir=$(cd "$1" && pwd)
  [ -f "$dir/bin/session_desktop.exe" ] || return 0
  rm -f "$dir/desktop.ready"
  (cd "$dir" && exec ./wine-run.sh bin/session_desktop.exe desktop.ready) </dev/null >/dev/null 2>&1 &
  zq_wine_pids+=($!)
  for i in $(seq 1 600); do
    [ -e "$dir/desktop.ready" ] && return 0
    sleep 0.5
  done
  echo "-- the Wine desktop of $dir was not up after 300 s: the first test with a window waits for it"
}

# Another machine for a build: a Wine prefix in DIR/wineprefix with a server
# of its own, so that its programs see those of the build's prefix (and
# native ones) only through the system's record locks, as programs on two
# machines sharing a file server do. DIR gets the build's runner with its
# own prefix and the build's programs, and starts as a build tree does.
# Usage: zq_wine_machine BUILD_DIR DIR
zq_wine_machine() {
  local build dir
  build=$(cd "$1" && pwd)
  mkdir -p "$2" && dir=$(cd "$2" && pwd)
  sed "s|^WINEPREFIX=.*|WINEPREFIX=$dir/wineprefix|" "$build/wine-run.sh" >"$dir/wine-run.sh"
  chmod +x "$dir/wine-run.sh"
  ln -sfn "$build/bin" "$dir/bin"
  zq_wine_start "$dir"
}
