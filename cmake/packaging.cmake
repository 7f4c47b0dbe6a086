# Installation and packages: the Debian package of the SDL2 program, and the
# zip of the Windows program. `scripts/package` builds both into dist/.
set(ORVALIS_APP_ID org.orvalispc.OrvalisPC)
set(ORVALIS_PACKAGE_NAME orvalis-pc)
# The demo cartridge that ships in the packages; a cross build, which cannot
# generate it, takes a native build's.
set(ORVALIS_PACKAGE_DEMO_ROM "${ORVALIS_DEMO_ROM}" CACHE FILEPATH "The demo cartridge to package")

set(CPACK_PACKAGE_NAME ${ORVALIS_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The Orvalis PC developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plays the opening of the handheld game Orvalis")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_STRIP_FILES ON)

if(EMSCRIPTEN)
  # orvalis-pc-<version>-web.zip: the page and its files, ready to serve.
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt COPYONLY)
  configure_file(${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY-NOTICES.txt
                 COPYONLY)
  set(_web_icons "")
  foreach(name ${ORVALIS_WEB_ICONS})
    list(APPEND _web_icons ${CMAKE_BINARY_DIR}/${name})
  endforeach()
  install(FILES ${CMAKE_BINARY_DIR}/orvalis.html ${CMAKE_BINARY_DIR}/orvalis-buttons.js
                ${CMAKE_BINARY_DIR}/orvalis-page.js ${CMAKE_BINARY_DIR}/orvalis.js ${CMAKE_BINARY_DIR}/orvalis.wasm
                ${CMAKE_BINARY_DIR}/orvalis.webmanifest ${CMAKE_BINARY_DIR}/orvalis-sw.js ${_web_icons}
                ${CMAKE_BINARY_DIR}/orvalis-pc-32.png ${ORVALIS_DEMO_ROM}
                ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY-NOTICES.txt
          DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${ORVALIS_PACKAGE_NAME}-${PROJECT_VERSION}-web)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_STRIP_FILES OFF)
elseif(WIN32)
  # orvalis-pc-<version>-windows-x64.zip: one top folder of that name.
  set(_readme ${CMAKE_BINARY_DIR}/packaging/README.txt)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt ${_readme} @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt COPYONLY)
  configure_file(${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY-NOTICES.txt
                 COPYONLY)
  install(TARGETS orvalis RUNTIME DESTINATION .)
  install(FILES ${ORVALIS_PACKAGE_DEMO_ROM} ${_readme} ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt
                ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY-NOTICES.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${ORVALIS_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(TARGET orvalis)
  include(GNUInstallDirs)
  # Debian keeps games in /usr/games: the package preset sets "games".
  set(ORVALIS_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR} CACHE STRING "Where the program is installed")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(_data_dir ${CMAKE_INSTALL_DATADIR}/${ORVALIS_PACKAGE_NAME})
  # Where the installed package keeps the demo cartridge.
  set(ORVALIS_INSTALLED_DATA_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${_data_dir})
  set(_out ${CMAKE_BINARY_DIR}/packaging)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/orvalis-pc.desktop.in ${_out}/${ORVALIS_APP_ID}.desktop
                 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/orvalis-pc.metainfo.xml.in
                 ${_out}/${ORVALIS_APP_ID}.metainfo.xml @ONLY)

  # Debian keeps the changelog and the manual page compressed, without timestamps.
  find_program(ORVALIS_GZIP gzip)
  if(ORVALIS_GZIP)
    add_custom_command(OUTPUT ${_out}/changelog.gz ${_out}/orvalis.6.gz
      COMMAND ${ORVALIS_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/linux/changelog > ${_out}/changelog.gz
      COMMAND ${ORVALIS_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/linux/orvalis.6 > ${_out}/orvalis.6.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/changelog ${PROJECT_SOURCE_DIR}/packaging/linux/orvalis.6
      VERBATIM)
    add_custom_target(orvalis_package_docs ALL DEPENDS ${_out}/changelog.gz ${_out}/orvalis.6.gz)
    install(FILES ${_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ORVALIS_PACKAGE_NAME})
    install(FILES ${_out}/orvalis.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  endif()

  install(TARGETS orvalis RUNTIME DESTINATION ${ORVALIS_INSTALL_BINDIR})
  install(FILES ${ORVALIS_PACKAGE_DEMO_ROM} DESTINATION ${_data_dir})
  install(FILES ${_out}/${ORVALIS_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_out}/${ORVALIS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size ${ORVALIS_ICON_SIZES})
    install(FILES ${ORVALIS_ICON_DIR}/orvalis-pc-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${ORVALIS_APP_ID}.png)
  endforeach()
  install(FILES README.md LICENSE THIRD-PARTY-NOTICES packaging/linux/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ORVALIS_PACKAGE_NAME})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Orvalis PC developers <developers@orvalispc.org>")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The summary is the first line; CPack indents these and marks the blank line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Orvalis PC plays the opening of the handheld game Orvalis in a window: a
boot fade, text scenes, a zoom, background scenes and a closing picture.

The game's graphics are read from a cartridge image that the player
supplies. A build accepts exactly one image, checked by its SHA-1 digest;
this package accepts the demo cartridge it ships, the project's own
artwork, in ${ORVALIS_INSTALLED_DATA_DIR}. To play your own cartridge
image, build the program from source with that image's digest.")
endif()

include(CPack)
