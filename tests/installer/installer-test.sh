#!/usr/bin/env bash
# Builds the installer and the portable zip from this build, installs silently under Wine into
# a fresh Wine prefix of its own, checks the files, the filter registration, the .kav
# association, Default Apps, the Start-menu shortcut and the uninstall entry, opens a document
# through the association and sees the installed player start on it with a window, then
# uninstalls with the registered quiet command and checks that everything is gone. A second
# round checks that uninstalling leaves alone what other programs put into the shared keys and
# what the user put into the program folder.
#
# Needs a display: the one scripts/test.sh provides, or a virtual one of its own otherwise.
set -euo pipefail
source "$(dirname "$0")/../../scripts/env.sh"
if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || kav_die "no display and no xvfb-run (run scripts/setup.sh)"
  exec xvfb-run -a "$0" "$@"
fi
command -v xdotool >/dev/null || kav_die "xdotool is missing (run scripts/setup.sh)"

work="$KAV_BUILD_DIR/installer-test"
log="$work/wine.log"
out="$work/out"
# A prefix of our own, so that installing never touches the prefix the other tests run in,
# and no menu entries or file types leak from Wine into the desktop of the machine.
export WINEPREFIX="$KAV_BUILD_DIR/installer-prefix"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

version=9.8.7
install_dir='C:\Program Files\Kavora Test'
player="$install_dir\\KavoraPlayer.exe"
prog_id=KavoraPlayer.Document.1
classes='HKEY_LOCAL_MACHINE\Software\Classes'
vendor_key='HKEY_LOCAL_MACHINE\Software\Kavora'
app_key="$vendor_key\\KavoraPlayer"
registered_apps='HKEY_LOCAL_MACHINE\Software\RegisteredApplications'
uninstall_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\KavoraPlayer'
filter_class='HKEY_CLASSES_ROOT\CLSID\{7C22D94B-63DB-4300-8DF4-38C5A296E397}'
our_keys=("$classes\\.kav" "$classes\\$prog_id" "$classes\\Applications\\KavoraPlayer.exe" "$vendor_key"
  "$registered_apps" "$uninstall_key" "$filter_class")
shortcut='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Kavora Player.lnk'
# A space in the folder and in the name: the association has to quote the path it passes.
document='C:\users\Public\Kavora Documents\install check.kav'

failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }
pass() { printf 'ok:   %s\n' "$*"; }
# expect WHAT ACTUAL EXPECTED
expect() {
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: got '$2', expected '$3'"; fi
}

# Wine's output goes to the log, never into a pipe: Wine's background processes would hold a
# pipe open (and with it the test runner's output) long after the command has ended.
wine_run() { wine "$@" </dev/null >"$out" 2>>"$log"; }
unix_path() {
  local path; path=$(winepath -u "$1" 2>>"$log")
  [ -n "$path" ] || kav_die "winepath cannot map '$1'"
  echo "$path"
}
windows_path() {
  local path; path=$(winepath -w "$1" 2>>"$log")
  [ -n "$path" ] || kav_die "winepath cannot map '$1'"
  echo "$path"
}

# Every Wine start costs time, so one cmd reads all the keys the installer writes at once;
# the checks then look values up in that snapshot. A value every prefix has shows that the
# snapshot was taken at all, so that a missing key means a removed one.
registry="$work/registry.txt"
windows_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion'
snapshot_registry() {
  local queries=("reg query $windows_key /v ProgramFilesDir") key
  for key in "${our_keys[@]}"; do queries+=("reg query $key /s"); done
  local IFS='&'
  wine cmd /c "${queries[*]}" </dev/null >"$registry" 2>>"$log" || true
  reg_value "$windows_key" ProgramFilesDir >/dev/null || kav_die "could not read the registry (see $registry)"
}
# reg_value KEY NAME: the value's data in the snapshot ("" names the default value); fails
# when it is missing. Key names compare without regard to case, as Windows does.
reg_value() {
  tr -d '\r' <"$registry" | awk -F'    ' -v key="$1" -v name="${2:-(Default)}" '
    /^HKEY_/ { current = tolower($0); next }
    current == tolower(key) && $3 ~ /^REG_/ && tolower($2) == tolower(name) { print $4; found = 1; exit }
    END { exit !found }'
}
has_key() { tr -d '\r' <"$registry" | grep -qixF -- "$1"; }
expect_value() {  # expect_value KEY NAME EXPECTED
  local actual
  if actual=$(reg_value "$1" "$2"); then expect "$1 [${2:-(Default)}]" "$actual" "$3"
  else fail "$1 [${2:-(Default)}] is missing"; fi
}
expect_no_value() {
  if reg_value "$1" "$2" >/dev/null; then fail "$1 [${2:-(Default)}] is still there"
  else pass "$1 [${2:-(Default)}] is gone"; fi
}
expect_no_key() {
  if has_key "$1"; then fail "$1 is still there"; else pass "$1 is gone"; fi
}

# Processes of our prefix (never another one's) whose command line matches an extended regex.
prefix_pids() {
  local pid
  for pid in $(pgrep -f -- "$1" || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
}
# wait_for SECONDS COMMAND...: polls the command until it succeeds.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}
no_uninstaller_running() { [ -z "$(prefix_pids ' _\?=')" ]; }

finish() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
trap finish EXIT

# --- Packages ----------------------------------------------------------------------------
rm -rf "$work"; mkdir -p "$work"
packages=$("$KAV_ROOT/installer/make-packages.sh" "$KAV_BUILD_DIR" "$work/dist" "$version") \
  || kav_die "the packages could not be built (see above)"
installer=$(sed -n 1p <<<"$packages")
zipfile=$(sed -n 2p <<<"$packages")
[ -f "$installer" ] || kav_die "no installer at '$installer'"
[ -f "$zipfile" ] || kav_die "no zip at '$zipfile'"

shipped=(KavoraPlayer.exe ZEL.dll KavoraSource.dll)
[ -f "$KAV_BIN/kavtool.exe" ] && shipped+=(kavtool.exe)
zip_folder="KavoraPlayer-$version"
expect "zip contents" "$(unzip -Z1 "$zipfile" | sort | tr '\n' ' ')" \
  "$(printf '%s\n' "$zip_folder/" "$zip_folder/README.txt" "${shipped[@]/#/$zip_folder/}" | sort | tr '\n' ' ')"
readme=$(unzip -p "$zipfile" "$zip_folder/README.txt")
grep -q 'regsvr32 KavoraSource.dll' <<<"$readme" && pass "README.txt says how to register the filter" \
  || fail "README.txt does not say how to register the filter"
grep -q "Kavora Player $version" <<<"$readme" && pass "README.txt names the version" \
  || fail "README.txt does not name version $version"
grep -q $'\r$' <<<"$readme" && pass "README.txt has Windows line ends" \
  || fail "README.txt has Unix line ends"

# --- A fresh prefix ----------------------------------------------------------------------
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One server for the whole run, from the first Wine process on.
wineserver -p >>"$log" 2>&1
wineboot -i </dev/null >>"$log" 2>&1 || kav_die "wineboot could not create $WINEPREFIX (see $log)"
wine_run cmd /c exit || kav_die "Wine does not run in $WINEPREFIX (see $log)"

# --- Install -----------------------------------------------------------------------------
# /D= must come last and unquoted, even with spaces, so cmd passes the command line as it is.
installer_win=$(windows_path "$installer")
if wine_run cmd /c "$installer_win /S /D=$install_dir"; then pass "silent install"
else fail "silent install ended with code $?"; fi

install_unix=$(unix_path "$install_dir")
for f in "${shipped[@]}" uninstall.exe; do
  [ -f "$install_unix/$f" ] && pass "installed $f" || fail "$f is not in $install_dir"
done
if [ ! -f "$KAV_BIN/kavtool.exe" ] && [ -e "$install_unix/kavtool.exe" ]; then
  fail "kavtool.exe installed from a build that has none"
fi
for f in "${shipped[@]}"; do
  unzip -p "$zipfile" "$zip_folder/$f" | cmp -s - "$install_unix/$f" \
    && pass "$f is the same in both packages" || fail "installed $f differs from the zip's"
done
[ -f "$(unix_path "$shortcut")" ] && pass "Start-menu shortcut" || fail "no shortcut $shortcut"

snapshot_registry
expect_value "$filter_class\\InprocServer32" "" "$install_dir\\KavoraSource.dll"

open_command="\"$player\" \"%1\""
icon="$install_dir\\ZEL.dll,-128"
expect_value "$classes\\.kav" "" "$prog_id"
expect_value "$classes\\.kav\\OpenWithProgids" "$prog_id" ""
expect_value "$classes\\$prog_id" "" "Kavora File"
expect_value "$classes\\$prog_id\\DefaultIcon" "" "$icon"
expect_value "$classes\\$prog_id\\shell\\open\\command" "" "$open_command"
expect_value "$classes\\Applications\\KavoraPlayer.exe\\SupportedTypes" ".kav" ""
expect_value "$classes\\Applications\\KavoraPlayer.exe\\shell\\open\\command" "" "$open_command"
wine_run cmd /c assoc .kav || true; expect "assoc .kav" "$(tr -d '\r' <"$out")" ".kav=$prog_id"
wine_run cmd /c ftype "$prog_id" || true; expect "ftype $prog_id" "$(tr -d '\r' <"$out")" "$prog_id=$open_command"

expect_value "$registered_apps" "Kavora Player" 'Software\Kavora\KavoraPlayer\Capabilities'
expect_value "$app_key\\Capabilities" ApplicationName "Kavora Player"
reg_value "$app_key\\Capabilities" ApplicationDescription | grep -q . \
  && pass "Capabilities has a description" || fail "Capabilities has no ApplicationDescription"
expect_value "$app_key\\Capabilities\\FileAssociations" .kav "$prog_id"

expect_value "$uninstall_key" DisplayName "Kavora Player"
expect_value "$uninstall_key" DisplayVersion "$version"
expect_value "$uninstall_key" Publisher "Kavora"
expect_value "$uninstall_key" DisplayIcon "$icon"
expect_value "$uninstall_key" UninstallString "\"$install_dir\\uninstall.exe\""
expect_value "$uninstall_key" QuietUninstallString "\"$install_dir\\uninstall.exe\" /S"

# --- Open a document through the association ---------------------------------------------
# The player ends at once, without a window, unless its only argument is an existing
# document; given one, it shows a window (its own, or a message about the document or the
# sound device), which is all this looks for.
document_unix=$(unix_path "$document")
mkdir -p "$(dirname "$document_unix")"
printf 'not a real document\n' >"$document_unix"
wine_run cmd /c start "" "$document" || fail "start could not open '$document'"
player_pid() { prefix_pids 'Kavora Test\\KavoraPlayer\.exe.*install check\.kav' | head -n 1; }
player_running() { [ -n "$(player_pid)" ]; }
player_has_window() { [ -n "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null)" ]; }
pid=""
if wait_for 15 player_running; then
  pid=$(player_pid)
  pass "opening the document started the installed player on it"
  if wait_for 30 player_has_window; then pass "the player shows a window"
  else fail "the player started but shows no window (did it get the path as one argument?)"; fi
else
  fail "opening '$document' did not start $player on it"
fi
wine_run taskkill /f /im KavoraPlayer.exe || true
[ -z "$pid" ] || wait_for 10 test ! -e "/proc/$pid" || fail "the player did not end"

# --- Uninstall with the registered quiet command -----------------------------------------
quiet=$(reg_value "$uninstall_key" QuietUninstallString || true)
if [[ "$quiet" =~ ^\"([^\"]+)\"\ /S$ ]]; then
  # The uninstaller copies itself to the temporary folder and runs from there.
  wine_run "${BASH_REMATCH[1]}" /S || fail "the uninstaller ended with code $?"
  wait_for 30 no_uninstaller_running || fail "the uninstaller did not finish"
else
  fail "cannot run QuietUninstallString '$quiet'"
fi

[ ! -e "$install_unix" ] && pass "the program folder is gone" \
  || fail "left behind in $install_dir: $(ls -A "$install_unix" | tr '\n' ' ')"
[ ! -e "$(unix_path "$shortcut")" ] && pass "the shortcut is gone" || fail "the shortcut is still there"
snapshot_registry
for key in "$filter_class" "$classes\\.kav" "$classes\\$prog_id" "$classes\\Applications\\KavoraPlayer.exe" \
           "$vendor_key" "$uninstall_key"; do
  expect_no_key "$key"
done
expect_no_value "$registered_apps" "Kavora Player"
if wine_run cmd /c assoc .kav; then fail "assoc .kav still answers: $(tr -d '\r' <"$out")"
else pass "assoc .kav finds nothing"; fi

# --- Uninstall after another program took over .kav --------------------------------------
if wine_run cmd /c "$installer_win /S /D=$install_dir"; then pass "second install"
else fail "second install ended with code $?"; fi
wine_run reg add "$classes\\.kav" /ve /d Other.Document /f &&
  wine_run reg add "$classes\\.kav\\OpenWithProgids" /v Other.Document /d "" /f ||
  kav_die "could not associate .kav with another type (see $log)"
printf 'mine\n' >"$install_unix/notes.txt"
wine_run "$install_dir\\uninstall.exe" /S || fail "the second uninstall ended with code $?"
wait_for 30 no_uninstaller_running || fail "the second uninstaller did not finish"

snapshot_registry
expect_value "$classes\\.kav" "" Other.Document
expect_value "$classes\\.kav\\OpenWithProgids" Other.Document ""
expect_no_value "$classes\\.kav\\OpenWithProgids" "$prog_id"
expect_no_key "$classes\\$prog_id"
expect "the user's file is all that stays in the folder" "$(ls -A "$install_unix" 2>/dev/null)" notes.txt

# --- A filter that cannot register fails the installation --------------------------------
# A resource-only DLL in the filter's place has no DllRegisterServer.
broken="$work/broken"
mkdir -p "$broken"
cp "$KAV_BIN/KavoraPlayer.exe" "$KAV_BIN/ZEL.dll" "$broken/"
cp "$KAV_BIN/ZEL.dll" "$broken/KavoraSource.dll"
makensis -V1 -DVERSION="$version" -DBIN_DIR="$broken" -DOUT_FILE="$work/broken-setup.exe" \
  "$KAV_ROOT/installer/KavoraPlayer.nsi" >>"$log" 2>&1 || kav_die "makensis could not build the broken installer"
wine_run cmd /c "$(windows_path "$work/broken-setup.exe") /S /D=$install_dir" && status=0 || status=$?
expect "exit code of an installation whose filter does not register" "$status" 2
snapshot_registry
expect_no_key "$classes\\$prog_id"
expect_value "$uninstall_key" UninstallString "\"$install_dir\\uninstall.exe\""

if [ "$failures" -ne 0 ]; then
  echo "installer test: $failures check(s) failed (Wine's output: $log)"
  exit 1
fi
echo "installer test: all checks passed"
