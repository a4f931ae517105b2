#!/usr/bin/env bash
# Screenshots of the program in the states a user sees most, on X11 (Xvfb, openbox, trayer)
# and on Wayland (headless sway as an unprivileged user), so that a change meant to leave
# the look alone can be compared picture by picture:
#   scripts/screenshots.sh BUILD_DIR OUT_DIR
# BUILD_DIR holds src/app/KYQ and src/cli/kyq-cli (e.g. build/dev). The pictures:
# x11-prompt, x11-main, x11-tray-menu, x11-fill, sway-prompt, sway-main, sway-fill (.png).
# Needs the tests built too (the sway session types with tests/wayland/kyq_wayland_keys).
# Every run starts from an empty home folder, so the settings are the defaults.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
out=$(mkdir -p "${2:?output folder}" && cd "$2" && pwd)
kyq=$build/src/app/KYQ
cli=$build/src/cli/kyq-cli
work=$(mktemp -d /tmp/kyq-shots-XXXXXX)
chmod 0755 "$work"
pids=()
cleanup() {
  local status=$?
  if [ "$status" -ne 0 ]; then
    for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log" >&2; tail -20 "$log" >&2; }; done
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The same small document for both sessions.
password='Shot-密码-1'
printf 'Title,UserName,Password\n邮箱,张三,mail-1\n银行,zhangsan,bank-2\nGitHub,zs@example.com,gh-3\n' >"$work/records.csv"
printf '%s\n' "$password" | "$cli" import "$work/records.csv" --owner 张三 -o "$work/doc.kyq" >/dev/null
chmod 0644 "$work/doc.kyq"

# until SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
until_ok() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || { echo "timed out: $*" >&2; return 1; }
    sleep 0.1
  done
}

# --- X11 ---
x11() {
  local display=:93 home=$work/x11-home
  mkdir -p "$home" "$work/x11-run" && chmod 0700 "$work/x11-run"
  Xvfb "$display" -screen 0 1024x720x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  export DISPLAY=$display
  until_ok 20 xdpyinfo
  openbox --sm-disable >/dev/null 2>&1 & pids+=($!)
  until_ok 20 xprop -root _NET_SUPPORTING_WM_CHECK
  trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
    >/dev/null 2>&1 & pids+=($!)
  local env=(env -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config"
             XDG_RUNTIME_DIR="$work/x11-run" QT_QPA_PLATFORM=xcb LANG=C.UTF-8)
  "${env[@]}" "$kyq" "$work/doc.kyq" >"$work/x11.log" 2>&1 & pids+=($!)
  # xdotool matches only the legacy window name; the titles are checked in UTF-8.
  active_is() { xprop -id "$(xdotool getactivewindow)" _NET_WM_NAME WM_NAME | grep -q "$1"; }
  until_ok 30 active_is '检查文档'
  sleep 1  # the prompt paints after it maps
  import -window root "$out/x11-prompt.png"
  xdotool type --delay 30 "$password"
  xdotool key Return
  until_ok 30 active_is "Keyquill - doc.kyq"
  sleep 1
  import -window root "$out/x11-main.png"
  # The icon is the only one in the tray, at its right end.
  xdotool mousemove 1012 12 click 3
  sleep 1
  import -window root "$out/x11-tray-menu.png"
  xdotool key Escape
  # The fill dialog over another program's window, as the hot key opens it.
  xterm -geometry 60x10+40+420 -title target >/dev/null 2>&1 & pids+=($!)
  until_ok 20 active_is target
  "${env[@]}" "$kyq" --fill >>"$work/x11.log" 2>&1 || true
  sleep 1
  import -window root "$out/x11-fill.png"
  xdotool key Escape
}

# --- sway ---
sway_shots() {
  local home=$work/sway-home run=$work/sway-run
  mkdir -p "$home" "$run"
  chmod 0700 "$run"
  cat >"$home/sway.config" <<'EOF'
output HEADLESS-1 resolution 1024x720
bar {
  status_command while true; do sleep 3600; done
  tray_output *
}
EOF
  chown -R 65534:65534 "$home" "$run"
  local as=(setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH="$PATH" HOME="$home"
            XDG_RUNTIME_DIR="$run" XDG_CONFIG_HOME="$home/.config" LANG=C.UTF-8)
  "${as[@]}" dbus-daemon --session --nofork --nopidfile --address="unix:path=$run/bus" \
    >/dev/null 2>&1 & pids+=($!)
  until_ok 20 test -S "$run/bus"
  "${as[@]}" DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$home/sway.config" \
    >"$work/sway.log" 2>&1 & pids+=($!)
  until_ok 20 bash -c "ls '$run' | grep -qx 'wayland-[0-9]*'"
  local display
  display=$(ls "$run" | grep -x 'wayland-[0-9]*' | head -1)
  local session=("${as[@]}" DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus" WAYLAND_DISPLAY="$display"
                 SWAYSOCK="$(ls "$run"/sway-ipc.* 2>/dev/null | head -1)")
  until_ok 20 "${session[@]}" swaymsg -t get_version
  cp "$work/doc.kyq" "$home/doc.kyq" && chown 65534:65534 "$home/doc.kyq"
  "${session[@]}" QT_QPA_PLATFORM=wayland "$kyq" "$home/doc.kyq" >"$work/sway-kyq.log" 2>&1 & pids+=($!)
  until_ok 30 bash -c "$(printf '%q ' "${session[@]}") swaymsg -t get_tree | grep -q '检查文档'"
  sleep 1
  "${session[@]}" grim "$run/prompt.png" && cp "$run/prompt.png" "$out/sway-prompt.png"
  # The tests' keyboard types the password (sway has no other keyboard here).
  local keys=$build/tests/wayland/kyq_wayland_keys
  [ -x "$keys" ] || { echo "no $keys: build the tests first" >&2; return 1; }
  mkfifo "$run/keys" && : >"$run/acks" && chown 65534:65534 "$run/keys" "$run/acks"
  "${session[@]}" "$keys" "$run/keys" "$run/acks" >"$work/sway-keys.log" 2>&1 & pids+=($!)
  exec 7>"$run/keys"
  printf 'type %s\r\n' "$password" >&7
  until_ok 30 bash -c "$(printf '%q ' "${session[@]}") swaymsg -t get_tree | grep -q 'Keyquill - doc.kyq'"
  sleep 1
  "${session[@]}" grim "$run/main.png" && cp "$run/main.png" "$out/sway-main.png"
  "${session[@]}" foot --app-id=kyq-target --title target sh -c "sleep 600" >"$work/sway-foot.log" 2>&1 & pids+=($!)
  until_ok 20 bash -c "$(printf '%q ' "${session[@]}") swaymsg -t get_tree | grep -q kyq-target"
  sleep 1
  "${session[@]}" QT_QPA_PLATFORM=wayland "$kyq" --fill >>"$work/sway-kyq.log" 2>&1 || true
  sleep 1
  "${session[@]}" grim "$run/fill.png" && cp "$run/fill.png" "$out/sway-fill.png"
  exec 7>&-
}

x11
sway_shots
ls "$out"
