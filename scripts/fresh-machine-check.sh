#!/usr/bin/env bash
# Walks the newcomer's path on a new minimal Debian 12 root, as root:
#   1. the README's start command builds the program, which then keeps running (offscreen);
#   2. the README's test command passes;
#   3. scripts/package-deb.sh builds the Release tree and the .deb, and lintian finds no error or warning;
#   4. on a second new root, apt-get installs the .deb with what it depends on, and the installed
#      programs work.
# It checks what is committed (HEAD), not uncommitted changes. Needs mmdebstrap and lintian
# (scripts/setup-debian.sh --ci) and a mirror to reach. Takes about ten minutes.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/var/tmp}/quillometer-fresh.XXXXXX")"
roots=()

say() { printf 'fresh-machine: %s\n' "$*"; }

unmount_roots() {
  local root
  for root in "${roots[@]}"; do
    for mnt in "$root/tmp" "$root/dev" "$root/proc"; do
      if mountpoint -q "$mnt"; then umount "$mnt" || umount -l "$mnt"; fi
    done
  done
}
cleanup() {
  unmount_roots
  # --one-file-system: should an unmount have failed, never reach into the host's /dev.
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The README's command that follows the comment line $1 in its first code block.
readme_command() {
  awk -v heading="# $1" '$0 == heading { getline; print; exit }' "$top/README.md"
}

new_root() {
  local root="$1"
  mkdir -p "$root"
  tar -C "$root" -xf "$work/root.tar"
  mount -t proc proc "$root/proc"
  mount --bind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/tmp"
  roots+=("$root")
}

# Runs a shell command in a root as a newcomer's login would, with none of the host's variables.
in_root() {
  local root="$1"
  shift
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "$1"
}

# The start command must build the program and leave it running: it is given 10 s once the
# program is up, then ended. Ending on its own, or failing to build, is a failure.
check_start_command() {
  local root="$1" command="$2" runner pid="" deadline=$((SECONDS + 1800))
  QUILL_ROOT="$root" QUILL_COMMAND="cd /src/quillometer && export QT_QPA_PLATFORM=offscreen && $command" \
    setsid bash -c "$(declare -f in_root); in_root \"\$QUILL_ROOT\" \"\$QUILL_COMMAND\"" &
  runner=$!
  while kill -0 "$runner" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    for candidate in $(pgrep -x quillometer || true); do
      [ "$(readlink "/proc/$candidate/root")" = "$root" ] && pid="$candidate"
    done
    [ -n "$pid" ] && break
    sleep 1
  done
  if [ -z "$pid" ]; then
    kill -- -"$runner" 2>/dev/null || true
    wait "$runner" || true
    say "the start command ended, or took 30 minutes, without starting the program"
    return 1
  fi
  sleep 10
  if ! kill -TERM "$pid" 2>/dev/null; then
    wait "$runner" || true
    say "the program ended by itself within 10 s of starting"
    return 1
  fi
  local status=0
  wait "$runner" || status=$?
  # 143: the program, and so the command, ended by our SIGTERM.
  [ "$status" -eq 143 ] || { say "the start command ended with status $status"; return 1; }
}

check_installed() {
  local root="$1" deb="$2" summary
  cp "$deb" "$top/examples/sample.jsonl" "$root/tmp/"
  in_root "$root" "export DEBIAN_FRONTEND=noninteractive && apt-get update -qq &&
      apt-get install -y -qq /tmp/$(basename "$deb") >/tmp/install.log 2>&1 ||
      { tail -n 30 /tmp/install.log; exit 1; }"
  summary="$(in_root "$root" "quillometer-report --summary /tmp/sample.jsonl")"
  say "installed quillometer-report: $summary"
  case "$summary" in
    *'"lines":48'*) ;;
    *) say "the installed report tool did not read the sample's 48 lines"; return 1 ;;
  esac
  local status=0
  in_root "$root" "QT_QPA_PLATFORM=offscreen timeout 10 quillometer /tmp/sample.jsonl" || status=$?
  [ "$status" -eq 124 ] || { say "the installed quillometer ended with status $status"; return 1; }
  say "installed quillometer ran until stopped"
}

start_command="$(readme_command "Build and start Quillometer:")"
test_command="$(readme_command "Build and run every test:")"
[ -n "$start_command" ] && [ -n "$test_command" ] || { say "README's commands not found"; exit 1; }

step() { say "$1 ($((SECONDS - began)) s in)"; }
began=$SECONDS
step "making a minimal Debian 12 root"
mmdebstrap --quiet --variant=minbase --include=ca-certificates,git bookworm "$work/root.tar"
build_root="$work/build-root"
new_root "$build_root"
git clone --quiet "$top" "$build_root/src/quillometer"

step "start command: $start_command"
check_start_command "$build_root" "$start_command"
step "test command: $test_command"
in_root "$build_root" "cd /src/quillometer && $test_command"
step "building the package"
in_root "$build_root" "cd /src/quillometer && scripts/package-deb.sh"
deb="$(ls "$build_root"/src/quillometer/build/package/quillometer_*.deb)"
step "lintian $(basename "$deb")"
lintian --fail-on error,warning --display-info "$deb"
step "installing it on a second new root"
install_root="$work/install-root"
new_root "$install_root"
check_installed "$install_root" "$deb"
step "passed"
