# Installing the player and its Debian package (cmake --install, cpack -G DEB).
# The build tree's executable is Game, the name a game folder's player has;
# installed on the system it takes a name of its own, so that it clashes with
# no other program.
set(PLAYER_COMMAND vorn-player)
include(GNUInstallDirs)

# Game reads nothing from the build or install tree at run time (the game
# folder, fontconfig and the system's SoundFont), so it runs from anywhere.
install(PROGRAMS $<TARGET_FILE:Game> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${PLAYER_COMMAND})

# The manual page, compressed as Debian keeps them (no name or time stamp in
# the gzip header, so that builds are reproducible).
set(PLAYER_MAN_PAGE ${CMAKE_SOURCE_DIR}/cmake/${PLAYER_COMMAND}.6)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PLAYER_MAN_PAGE})
execute_process(COMMAND gzip -9n -c ${PLAYER_MAN_PAGE} OUTPUT_FILE ${CMAKE_BINARY_DIR}/${PLAYER_COMMAND}.6.gz
                RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip could not compress the manual page ${PLAYER_MAN_PAGE}")
endif()
install(FILES ${CMAKE_BINARY_DIR}/${PLAYER_COMMAND}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${PLAYER_COMMAND})

set(CPACK_PACKAGE_NAME "${PLAYER_COMMAND}")
set(CPACK_PACKAGE_VERSION "0.1.0")
set(CPACK_PACKAGE_CONTACT "vorn-player developers <vorn-player@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Native Linux player for games made with a Japanese RPG construction tool")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Plays a game folder (Game.dat and its Data folder, plain or packed in\n.vorn archives) at 640x480: the event scripts, drawing in software or\nOpenGL, sound, MIDI through FluidSynth, speech through espeak-ng, and\nkeyboard, mouse and joypad input; run ${PLAYER_COMMAND} PATH on a game folder.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries Game links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A Japanese font when the game brings none, and the General MIDI SoundFont.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_GENERATOR "DEB")
include(CPack)
