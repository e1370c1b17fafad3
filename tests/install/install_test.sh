#!/usr/bin/env bash
# The installed player and its Debian package.
#   install_test.sh install BUILD  installs into a scratch DESTDIR and plays a
#                                  copy of the sample game with the installed
#                                  Game from an unrelated folder: it must draw
#                                  what the build tree's Game draws.
#   install_test.sh deb BUILD      makes the .deb and checks its control fields
#                                  and the dependencies dpkg-shlibdeps declared.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A lock folder of its own: a Game of a parallel test is no second copy.
export XDG_RUNTIME_DIR=$scratch
fail() { echo "FAIL: $*" >&2; exit 1; }

case $mode in
install)
  DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
  game="$scratch/root/usr/bin/Game"
  [ -x "$game" ] || fail "no installed Game"
  # Nothing of the build tree is named in the program (debug information,
  # which names it in a debug build, left aside).
  objcopy --strip-debug "$game" "$scratch/Game.stripped"
  if grep -qaF "$build" "$scratch/Game.stripped"; then fail "the installed Game names the build tree $build"; fi
  # The game in a folder of its own, and the player started from yet another.
  cp -r "$build/sample-game" "$scratch/game"
  rm -f "$scratch/game/Game.ini" "$scratch/game/Log.txt"
  mkdir "$scratch/elsewhere"
  frames=120
  (cd "$scratch/elsewhere" &&
    "$game" --headless $frames --replay "$scratch/game/SampleWalk.replay" \
      --screenshot $frames:installed.png "$scratch/game") || fail "installed Game exited with $?"
  (cd "$scratch/elsewhere" &&
    "$build/Game" --headless $frames --replay "$scratch/game/SampleWalk.replay" \
      --screenshot $frames:built.png "$scratch/game") || fail "built Game exited with $?"
  [ -s "$scratch/elsewhere/installed.png" ] || fail "no screenshot from the installed Game"
  cmp -s "$scratch/elsewhere/installed.png" "$scratch/elsewhere/built.png" ||
    fail "the installed Game draws otherwise than the built one"
  # Its settings file went to the game folder, not to where it was started.
  [ -f "$scratch/game/Game.ini" ] || fail "no Game.ini in the game folder"
  [ ! -e "$scratch/elsewhere/Game.ini" ] || fail "Game.ini written to the current folder"
  ;;
deb)
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >cpack.log 2>&1) ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
  deb=$(ls "$scratch"/out/*.deb)
  info=$(dpkg-deb -I "$deb")
  echo "$info"
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libsdl2 libfreetype libfontconfig libpng libjpeg libogg libvorbisfile libtheora libmpg123 \
    libfluidsynth libespeak-ng libopengl libegl libc6 libstdc++; do
    grep -qE "(^|, )$library" <<<"$depends" || fail "Depends lacks $library: $depends"
  done
  for field in Maintainer Description Section; do
    [ -n "$(dpkg-deb -f "$deb" $field)" ] || fail "no $field"
  done
  [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section is not games"
  dpkg-deb -c "$deb" | grep -qE ' \./usr/bin/Game$' || fail "the package holds no /usr/bin/Game"
  ;;
*) fail "unknown mode $mode" ;;
esac
echo "ok: $mode"
