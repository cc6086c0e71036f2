#!/usr/bin/env bash
# Walks one of the suite's programs by keys under the Orca screen reader and
# prints what Orca would have spoken. A developer tool: no test or CI runs it.
#
#   scripts/orca-walk.sh [options] PROGRAM [ARGUMENTS...]
#
#   -k KEYS     the keys, separated by blanks: xdotool key names ("Tab",
#               "Return", "alt+s", "shift+Tab", "ctrl+8"), "sleep:S" (wait S
#               seconds), "type:TEXT" (types TEXT; in a file the rest of the
#               line), "probe" (prints what the AT-SPI bus reports of the
#               focused object: name, role, text, caret, selections, line)
#   -f FILE     the keys from FILE, one a line ("#" starts a comment line)
#   -w S        seconds from the start of the program to the first key (6)
#   -d S        seconds between two keys (1.5)
#   -e S        seconds after the last key before Orca is stopped (3)
#   -o FILE     keep Orca's whole debug file as FILE
#   -i BUILD    first install the build tree BUILD into $LUMO_PREFIX, make the
#               demo book under the rig's home and point Zivuvu at it (as
#               scripts/demo.sh does), and write the book's pages headless
#   -a          print the keys Orca was given among the speech lines
#
# Everything runs on its own: a virtual screen (Xvfb 1280x1024x24) with the
# openbox window manager, a private D-Bus session with the AT-SPI bus,
# speech-dispatcher with its "dummy" output (no sound card), then Orca with
# its debug file, then PROGRAM on the xcb platform with Qt's accessibility on.
# The home folder is a throwaway one, $ORCA_WALK_HOME (default
# /tmp/orca-walk/home), so the settings of the programs and of Orca used are
# its own; the suite is found in $LUMO_PREFIX (default /tmp/orca-walk/lumo).
# Only one Orca per user can run: do not start two walks at once.
#
# Examples, from the repository's root after a build in ./build:
#   scripts/orca-walk.sh -i build -k "Tab Tab Tab" /tmp/orca-walk/lumo/LumoSplitter
#   scripts/orca-walk.sh -w 10 -k "Tab Tab Return" /tmp/orca-walk/lumo/LumoPlayer
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
rig=/tmp/orca-walk

# Stops every process of this walk but the ones that run this script.
stop_ours() {
  local p keep=" " q=$BASHPID
  while [ "$q" -gt 1 ]; do
    keep+="$q "
    q=$(awk '{print $4}' "/proc/$q/stat" 2>/dev/null || echo 1)
  done
  for p in $(grep -lsz "^ORCA_WALK_MARK=$ORCA_WALK_MARK\$" /proc/[0-9]*/environ | cut -d/ -f3); do
    case $keep in *" $p "*) ;; *) kill "$p" 2>/dev/null || true ;; esac
  done
}

# The second half, run inside the private session bus: the desktop's
# services, Orca, the program and the keys.
inside_session() {
  read -r wait_first delay wait_end <<<"$ORCA_WALK_TIMES"
  trap 'stop_ours' EXIT
  openbox >"$rig/openbox.log" 2>&1 &
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$rig/at-spi.log" 2>&1 &
  for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
    sleep 0.1
  done
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null
  speech-dispatcher -s -t 0 >"$rig/speechd.log" 2>&1 &
  sleep 1
  # Italian messages, as the readers hear them (Orca reads LANGUAGE itself).
  LANGUAGE=it orca --debug-file "$ORCA_WALK_DEBUG" >"$rig/orca.log" 2>&1 &
  orca=$!
  sleep 4
  QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$@" >"$rig/program.log" 2>&1 &
  sleep "$wait_first"
  while IFS= read -r key; do
    case $key in
      '') ;;
      sleep:*) sleep "${key#sleep:}"; continue ;;
      type:*) xdotool type --delay 120 -- "${key#type:}" ;;
      probe) /usr/bin/python3 - <<'PROBE' >>"$rig/probe.out" 2>&1 || true
# What the AT-SPI bus reports of the focused object of the active window.
import datetime, pyatspi
def say(text):
    print(datetime.datetime.now().strftime("%H:%M:%S.%f") + " - PROBE: " + text)
def focused(obj):
    if obj is None:
        return None
    if obj.getState().contains(pyatspi.STATE_FOCUSED):
        return obj
    for i in range(obj.childCount):
        found = focused(obj.getChildAtIndex(i))
        if found:
            return found
    return None
obj = None
for app in pyatspi.Registry.getDesktop(0):
    if app is None or app.name == "orca":
        continue
    for window in app:
        if obj is None and window is not None and window.getState().contains(pyatspi.STATE_ACTIVE):
            obj = focused(window)
if obj is None:
    say("no focused object in an active window")
else:
    say("%r %s" % (obj.name, obj.getRoleName()))
    try:
        t = obj.queryText()
    except NotImplementedError:
        t = None
        say("  no text interface")
    if t is not None:
        n = t.characterCount
        say("  characterCount %d, text %r, caret %d, selections %s" % (n, t.getText(0, -1), t.caretOffset,
            [tuple(t.getSelection(i)) for i in range(t.getNSelections())]))
        say("  line at the caret %r" % (tuple(t.getTextAtOffset(t.caretOffset, pyatspi.TEXT_BOUNDARY_LINE_START)),))
        say("  attribute runs (offset, start, end) %s" % [(i,) + tuple(t.getAttributeRun(i))[1:] for i in range(min(n, 4))])
PROBE
        continue ;;
      *) xdotool key -- "$key" ;;
    esac
    sleep "$delay"
  done <"$ORCA_WALK_KEYS"
  sleep "$wait_end"
  # Orca writes its debug file whole only when it ends.
  kill -TERM "$orca" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$orca" 2>/dev/null || break; sleep 0.2; done
}
if [ "${1:-}" = "--inside-session" ]; then
  shift
  inside_session "$@"
  exit 0
fi

keys=() wait_first=6 delay=1.5 wait_end=3 keep='' install_from='' show_keys=''
while getopts "k:f:w:d:e:o:i:a" opt; do
  case $opt in
    k) read -r -a more <<<"$OPTARG"; keys+=("${more[@]}") ;;
    f) while IFS= read -r line || [ -n "$line" ]; do
         line=${line#"${line%%[![:space:]]*}"}
         case $line in ''|'#'*) ;; *) keys+=("$line") ;; esac
       done <"$OPTARG" ;;
    w) wait_first=$OPTARG ;;
    d) delay=$OPTARG ;;
    e) wait_end=$OPTARG ;;
    o) keep=$(realpath -m "$OPTARG") ;;
    i) install_from=$(realpath "$OPTARG") ;;
    a) show_keys=1 ;;
    *) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { echo "orca-walk: which program? (-h for help)" >&2; exit 2; }

export HOME=${ORCA_WALK_HOME:-$rig/home}
export LUMO_PREFIX=${LUMO_PREFIX:-$rig/lumo}
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$rig/run
# No sound card: the player plays to the null output unless told otherwise.
export LUMO_MPV_OPTIONS=${LUMO_MPV_OPTIONS:-ao=null}
export LUMO_MACHINE_REGISTRY=$rig/machine.sqlite
mkdir -p "$rig" "$HOME" "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# Speech goes to the dummy module, which answers at once without a sound card.
printf '%s\n' 'AddModule "dummy" "sd_dummy" ""' 'DefaultModule dummy' \
  >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf"

# Every process of the walk carries this mark, so that the end stops exactly
# those (also a player that Zivuvu started on its own).
export ORCA_WALK_MARK="orca-walk-$$-$RANDOM"

if [ -n "$install_from" ]; then
  cmake --install "$install_from" --prefix "$LUMO_PREFIX" >/dev/null
  book="$HOME/lumo-demo/Libro demo"
  [ -f "$book/marker.txt" ] || bash "$repo/scripts/make-demo-book.sh" "$book"
  "$LUMO_PREFIX/lumoreg" set Zivuvu Default CD "$book"
  # Zivuvu writes the pages, then starts a headless player, which is not wanted.
  QT_QPA_PLATFORM=offscreen LUMO_UI_LOG=/dev/stderr "$LUMO_PREFIX/dazide.zev"
  sleep 1
  stop_ours
fi

debug=${keep:-$rig/orca-debug.out}
rm -f "$debug" "$rig/probe.out"
exec 3>"$rig/xvfb.display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$rig/xvfb.log" 2>&1 &
xvfb=$!
trap 'stop_ours; kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$rig/xvfb.display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$rig/xvfb.display")"
export DISPLAY
keyfile=$rig/keys.list
printf '%s\n' "${keys[@]}" >"$keyfile"
# The rest runs inside a private D-Bus session bus that ends with it.
export ORCA_WALK_DEBUG=$debug ORCA_WALK_KEYS=$keyfile ORCA_WALK_TIMES="$wait_first $delay $wait_end"
dbus-run-session -- bash "$0" --inside-session "$@" </dev/null >"$rig/session.log" 2>&1 || true
stop_ours
kill $xvfb 2>/dev/null || true
trap - EXIT
# What Orca would have said, in order, with the probes (and with -a the
# keys Orca was given) at their times.
awk -v keys="$show_keys" '
  keys && /^vvvvv PROCESS ATSPI_KEY_PRESSED_EVENT: / { key = $0; sub(/^vvvvv PROCESS ATSPI_KEY_PRESSED_EVENT: /, "", key); sub(/ \(.*/, "", key); next }
  key != "" && /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9]* - / { print $1 " - KEY: " key; key = "" }
  /SPEECH OUTPUT/ { print }
' "$debug" | { cat - "$rig/probe.out" 2>/dev/null || true; } | sort -s -k1,1

