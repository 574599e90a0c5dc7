# Installation (cmake --install) and the Debian package (cpack, scripts/package.sh): the program
# and quillo-server side by side in bin, so that the program finds the server it starts; the menu
# entry, icons and AppStream metadata under the application id; a systemd user unit for the server.
include(GNUInstallDirs)

set(QUILLO_APP_ID "org.example.quillo" CACHE STRING
    "Application id: the desktop entry's and metainfo's file names, the icon name, the Wayland app id")
set(QUILLO_HOMEPAGE "https://quillo.example.org/" CACHE STRING
    "Project web site (with a trailing slash); the AppStream screenshots are under screenshots/ there")
set(QUILLO_MAINTAINER "Quillo developers <support@quillo.invalid>" CACHE STRING "Package maintainer")
set(QUILLO_LICENSE "LicenseRef-proprietary" CACHE STRING "SPDX licence of the program itself")
# Where data files shipped with the program go (share/quillo).
set(QUILLO_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/quillo")
# The systemd unit serves the address the program tries first.
string(REGEX REPLACE "^[a-z]+://([^/]+).*$" "\\1" QUILLO_DEFAULT_LISTEN "${QUILLO_DEFAULT_SERVICE}")

target_compile_definitions(quillo PRIVATE QUILLO_APP_ID="${QUILLO_APP_ID}")

# In the build tree as well, the program finds quillo-server beside itself.
add_custom_target(quillo_server_beside_program ALL
  COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:quillo-server> $<TARGET_FILE_DIR:quillo>/quillo-server
  VERBATIM)
add_dependencies(quillo_server_beside_program quillo quillo-server)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${PROJECT_BINARY_DIR}/packaging)
configure_file(${packaging}/quillo.desktop.in ${generated}/${QUILLO_APP_ID}.desktop @ONLY)
configure_file(${packaging}/quillo.metainfo.xml.in ${generated}/${QUILLO_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/quillo-server.service.in ${generated}/quillo-server.service @ONLY)
configure_file(${packaging}/copyright.in ${generated}/copyright @ONLY)
configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
configure_file(${packaging}/quillo.1 ${generated}/quillo.1 COPYONLY)
configure_file(${packaging}/quillo-server.1 ${generated}/quillo-server.1 COPYONLY)
# Debian wants the changelog and manual pages compressed with gzip -9n (no name, no time stamp).
set(compressed)
foreach(file changelog quillo.1 quillo-server.1)
  add_custom_command(OUTPUT ${generated}/${file}.gz
    COMMAND gzip -9nc ${generated}/${file} > ${generated}/${file}.gz
    DEPENDS ${generated}/${file})
  list(APPEND compressed ${generated}/${file}.gz)
endforeach()
add_custom_target(quillo_package_files ALL DEPENDS ${compressed})

install(TARGETS quillo quillo-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The speech plug-in the program opens on first use, found relative to the program's bin folder.
install(TARGETS quillo_speech LIBRARY DESTINATION ${QUILLO_INSTALL_PLUGINDIR})
install(FILES ${generated}/${QUILLO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${QUILLO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/hicolor/${size}x${size}/quillo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${QUILLO_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/quillo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${QUILLO_APP_ID}.svg)
# systemd looks for user units in /usr/lib/systemd/user, whatever the libdir of the architecture.
install(FILES ${generated}/quillo-server.service DESTINATION lib/systemd/user)
install(FILES ${generated}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillo)
# The offline dictionary's data (CC-CEDICT, named in the copyright file), where an installed
# quillo-server looks for it.
if(EXISTS "${QUILLO_CEDICT_FILE}")
  install(FILES "${QUILLO_CEDICT_FILE}" DESTINATION ${QUILLO_INSTALL_DATADIR})
endif()
install(FILES ${generated}/quillo.1.gz ${generated}/quillo-server.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUILLO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop translator with a Chinese interface")
set(CPACK_PACKAGE_DESCRIPTION "Quillo translates short texts between Chinese, English and eleven other
languages, and converts between Simplified and Traditional Chinese locally.
It starts its own translation server, quillo-server, which translates
offline with Apertium between English, Spanish, French, Portuguese and
Italian and can hand other languages to a LibreTranslate server.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLO_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what dpkg-shlibdeps finds: the program opens libcurl, libcrypto, SQLite, libexttextcat
# and OpenCC only when it first needs them, so no linker entry of the program names them. Without
# OpenCC the Simplified/Traditional conversion falls back to a table that mixes the scripts.
# libxtst6 types a translation over another program's selection.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libssl3, libsqlite3-0, libexttextcat-2.0-0, libopencc1.1, libxtst6")
# Without Apertium the server has no engine (every pair is answered with a notice); cg3 runs the
# constraint grammar of the Italian -> Spanish direction; without CJK fonts the Chinese interface
# shows boxes. Reading text off the screen opens libtesseract on first use and needs a model for
# each language it reads (the _vert ones for vertical Chinese and Japanese).
# The freedict dictionaries between English and our languages that Debian has give quillo-server
# its word lookups beyond Chinese.
set(QUILLO_OCR_RECOMMENDS
    "libtesseract5, tesseract-ocr-chi-sim, tesseract-ocr-chi-sim-vert, tesseract-ocr-chi-tra, tesseract-ocr-chi-tra-vert, tesseract-ocr-eng, tesseract-ocr-jpn, tesseract-ocr-jpn-vert, tesseract-ocr-kor, tesseract-ocr-fra, tesseract-ocr-deu, tesseract-ocr-spa, tesseract-ocr-ita, tesseract-ocr-nld, tesseract-ocr-por, tesseract-ocr-rus, tesseract-ocr-ell")
set(QUILLO_DICTIONARY_RECOMMENDS
    "dict-freedict-deu-eng, dict-freedict-eng-deu, dict-freedict-fra-eng, dict-freedict-eng-fra, \
dict-freedict-spa-eng, dict-freedict-eng-spa, dict-freedict-ita-eng, dict-freedict-eng-ita, \
dict-freedict-nld-eng, dict-freedict-eng-nld, dict-freedict-por-eng, dict-freedict-eng-por, \
dict-freedict-eng-rus, dict-freedict-ell-eng, dict-freedict-eng-ell, dict-freedict-jpn-eng, dict-freedict-eng-jpn")
# The spelling word lists tell the language of a selection of one to three words; Qt's speech
# plug-in for speech-dispatcher is what reads text aloud.
set(QUILLO_WORD_LIST_RECOMMENDS "wamerican, wbritish, wngerman, wfrench, wspanish, witalian, wdutch, wportuguese")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "apertium, apertium-eng-spa, apertium-fr-es, apertium-es-pt, apertium-spa-ita, cg3, fonts-noto-cjk | fonts-wqy-microhei, ${QUILLO_OCR_RECOMMENDS}, ${QUILLO_DICTIONARY_RECOMMENDS}, ${QUILLO_WORD_LIST_RECOMMENDS}, qt6-speech-speechd-plugin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
