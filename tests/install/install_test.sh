#!/usr/bin/env bash
# The installed player and its Debian package.
#   install_test.sh install BUILD  installs into a scratch DESTDIR and plays a
#                                  copy of the sample game with the installed
#                                  player from an unrelated folder: it must
#                                  draw what the build tree's Game draws; the
#                                  manual page and the copyright file are there.
#   install_test.sh deb BUILD      makes the .deb and checks its control fields,
#                                  the dependencies dpkg-shlibdeps declared and
#                                  the files it holds.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A lock folder of its own: a Game of a parallel test is no second copy.
export XDG_RUNTIME_DIR=$scratch
fail() { echo "FAIL: $*" >&2; exit 1; }
# The player's installed name and the package's, the folder of its copyright.
command=vorn-player
man_page=usr/share/man/man6/$command.6.gz
copyright=usr/share/doc/$command/copyright

# The manual page (gzip-compressed roff) names every option Game --help lists
# and the command, and renders without a warning where groff is installed.
check_man_page() {
  local page=$1 text option
  gzip -t "$page" || fail "the manual page is no gzip file"
  text=$(gzip -dc "$page" | sed 's/\\-/-/g')
  grep -q "^\.TH ${command^^} 6 " <<<"$text" || fail "the manual page has no title line for $command in section 6"
  for option in $("$build/Game" --help | grep -oE '^  --[a-z]+'); do
    grep -qe "$option" <<<"$text" || fail "the manual page lacks $option"
  done
  if command -v groff >/dev/null; then
    local warnings
    warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
  fi
}

case $mode in
install)
  DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
  game="$scratch/root/usr/bin/$command"
  [ -x "$game" ] || fail "no installed $command"
  [ ! -e "$scratch/root/usr/bin/Game" ] || fail "installed as Game, a name that invites clashes"
  check_man_page "$scratch/root/$man_page"
  # Its usage, as its manual page, goes by the name it is installed as.
  [[ $("$game" --help | head -n 1) == "usage: $command "* ]] || fail "$command --help does not name $command"
  [ -s "$scratch/root/$copyright" ] || fail "no copyright file"
  # Nothing of the build tree is named in the program (debug information,
  # which names it in a debug build, left aside).
  objcopy --strip-debug "$game" "$scratch/Game.stripped"
  if grep -qaF "$build" "$scratch/Game.stripped"; then fail "the installed player names the build tree $build"; fi
  # The game in a folder of its own, and the player started from yet another.
  cp -r "$build/sample-game" "$scratch/game"
  rm -f "$scratch/game/Game.ini" "$scratch/game/Log.txt"
  mkdir "$scratch/elsewhere"
  frames=120
  (cd "$scratch/elsewhere" &&
    "$game" --headless $frames --replay "$scratch/game/SampleWalk.replay" \
      --screenshot $frames:installed.png "$scratch/game") || fail "installed $command exited with $?"
  (cd "$scratch/elsewhere" &&
    "$build/Game" --headless $frames --replay "$scratch/game/SampleWalk.replay" \
      --screenshot $frames:built.png "$scratch/game") || fail "built Game exited with $?"
  [ -s "$scratch/elsewhere/installed.png" ] || fail "no screenshot from the installed $command"
  cmp -s "$scratch/elsewhere/installed.png" "$scratch/elsewhere/built.png" ||
    fail "the installed $command draws otherwise than the built Game"
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
  [ "$(dpkg-deb -f "$deb" Package)" = "$command" ] || fail "the package is not named $command"
  contents=$(dpkg-deb -c "$deb")
  for file in "usr/bin/$command" "$man_page" "$copyright"; do
    grep -qE " \./$file\$" <<<"$contents" || fail "the package holds no /$file"
  done
  if grep -qE ' \./usr/bin/Game$' <<<"$contents"; then fail "the package installs /usr/bin/Game"; fi
  dpkg-deb -x "$deb" "$scratch/unpacked"
  check_man_page "$scratch/unpacked/$man_page"
  grep -q "$command" "$scratch/unpacked/$copyright" || fail "the copyright file does not name $command"
  ;;
*) fail "unknown mode $mode" ;;
esac
echo "ok: $mode"
