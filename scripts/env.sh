# Sourced by every script, test run and CI job: one place that says where the build lives,
# which Wine prefix the program runs in, and how the display and the sound server are found.
#
#   source scripts/env.sh      sets the variables below
#   kav_services_start         display, sound server, Wine prefix and a primed wineserver;
#                              each is reused when it is already running
#   kav_services_stop          stops only what kav_services_start started in this shell
#
# KAV_BUILD_DIR may be set beforehand to build into a folder other than build/.

KAV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KAV_ROOT
export KAV_BUILD_DIR="${KAV_BUILD_DIR:-$KAV_ROOT/build}"
export KAV_BIN="$KAV_BUILD_DIR/bin"
export WINEPREFIX="$KAV_BUILD_DIR/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
# The sound server's socket lives beside the build, so two build folders never share one.
export XDG_RUNTIME_DIR="${KAV_XDG_RUNTIME_DIR:-$KAV_BUILD_DIR/xdg}"

kav_log() { printf 'kavora: %s\n' "$*" >&2; }
kav_die() { printf 'kavora: error: %s\n' "$*" >&2; exit 1; }

_kav_started=()

_kav_start_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local state="$KAV_BUILD_DIR/xvfb.display"
  if [ -f "$state" ]; then
    local n; n=$(cat "$state")
    if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$(cat "$KAV_BUILD_DIR/xvfb.pid" 2>/dev/null)" 2>/dev/null; then
      export DISPLAY=":$n"; return 0
    fi
  fi
  command -v Xvfb >/dev/null || kav_die "Xvfb is missing (run scripts/setup.sh)"
  local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  local pid=$!
  local n; read -r -t 20 n <"$fifo" || true; rm -f "$fifo"
  [ -n "$n" ] || kav_die "the virtual display did not start"
  echo "$n" >"$state"; echo "$pid" >"$KAV_BUILD_DIR/xvfb.pid"
  export DISPLAY=":$n"
  _kav_started+=(display)
}

_kav_start_audio() {
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  if pactl info >/dev/null 2>&1; then return 0; fi
  command -v pulseaudio >/dev/null || kav_die "pulseaudio is missing (run scripts/setup.sh)"
  pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit -n \
    --load="module-null-sink sink_name=null" --load="module-native-protocol-unix" >/dev/null 2>&1 \
    || kav_die "the PulseAudio null sink did not start"
  local i
  for i in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || kav_die "the PulseAudio null sink does not answer"
  _kav_started+=(audio)
}

# Creates the project's Wine prefix the first time it is needed.
kav_prepare_prefix() {
  command -v wine >/dev/null || kav_die "wine is missing (run scripts/setup.sh)"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    kav_log "creating the Wine prefix in $WINEPREFIX (once, about 10 s) ..."
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1 || kav_die "wineboot could not create $WINEPREFIX"
    wineserver -w
  fi
}

# Wine hands a window's maximising and sizing to the window manager when it thinks one is there.
# The virtual display has none, so there a maximised window would keep its old size on screen
# while the program lays itself out for the whole screen: Wine places its windows itself instead.
# On a desktop of the user's own the window manager stays in charge.
_kav_set_window_management() {
  local key='HKCU\Software\Wine\X11 Driver'
  local own=0
  [ "${DISPLAY:-}" = ":$(cat "$KAV_BUILD_DIR/xvfb.display" 2>/dev/null)" ] && own=1
  if grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    [ "$own" -eq 1 ] || wine reg delete "$key" /v Managed /f </dev/null >/dev/null 2>&1 || true
  elif [ "$own" -eq 1 ]; then
    wine reg add "$key" /v Managed /d N /f </dev/null >/dev/null 2>&1 || kav_die "could not set up the Wine prefix's window handling"
  fi
}

_kav_start_wine() {
  kav_prepare_prefix
  # One persistent wineserver for the whole run; priming it outside ctest keeps Wine's
  # background processes from holding the test runner's output pipe open.
  if wineserver -p 2>/dev/null; then
    _kav_started+=(wine)
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  fi
  _kav_set_window_management
}

kav_services_start() {
  mkdir -p "$KAV_BUILD_DIR"
  _kav_start_display
  _kav_start_audio
  _kav_start_wine
}

kav_services_stop() {
  local s
  for s in "${_kav_started[@]}"; do
    case "$s" in
      wine) wineserver -k 2>/dev/null || true ;;
      audio) pulseaudio --kill 2>/dev/null || true ;;
      display)
        kill "$(cat "$KAV_BUILD_DIR/xvfb.pid" 2>/dev/null)" 2>/dev/null || true
        rm -f "$KAV_BUILD_DIR/xvfb.pid" "$KAV_BUILD_DIR/xvfb.display" ;;
    esac
  done
  _kav_started=()
}
