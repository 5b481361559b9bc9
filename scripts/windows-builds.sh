# Sourced: the two Windows builds and which of them this host can run.
# win   - i686, the product, a 32-bit Windows program
# win64 - x86_64, the same program for 64-bit Windows

# Succeeds when this host executes i386 code. Some kernels boot with 32-bit
# emulation off; there no i386 program starts and Wine's 32-bit loader cannot
# run. The probe is a 96-byte i386 ELF that only exits with status 7.
# ZQ_NO_32BIT=1 makes a host that can act as one that cannot, to try that path.
zq_host_runs_32bit() {
  local probe rc=0
  [ -z "${ZQ_NO_32BIT:-}" ] || return 1
  probe=$(mktemp)
  echo 'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7BwAAAM2A' \
    | base64 -d >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 7 ]
}

# The Windows build whose programs this host runs under Wine.
zq_runnable_windows_build() {
  if zq_host_runs_32bit; then echo win; else echo win64; fi
}

# Configures and builds one Windows build tree: zq_build_windows ROOT BUILD_DIR NAME [TARGET...]
zq_build_windows() {
  local root=$1 dir=$2 name=$3 toolchain
  shift 3
  case $name in
    win) toolchain=mingw-i686.cmake ;;
    win64) toolchain=mingw-x86_64.cmake ;;
  esac
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
  local targets=()
  # The program that holds a Wine session's desktop comes with any choice.
  [ $# -gt 0 ] && targets=(--target "$@" session_desktop)
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
