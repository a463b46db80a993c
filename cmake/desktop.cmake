# Install layout, desktop integration and the Debian package.
#
#   bin/vorlane
#   share/vorlane/{help,Templates,version.txt,readme.txt}   found as ../share/vorlane from bin/
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml
#   share/icons/hicolor/{scalable,NNxNN}/apps/<id>.{svg,png}
#   share/man/man1/vorlane.1.gz, share/doc/vorlane/{copyright,changelog.gz}
#
# bin and share are fixed (not GNUInstallDirs) because the program finds its files through
# that relation.

set(VORLANE_DATA_OUT ${CMAKE_BINARY_DIR}/data)
# Where software centres fetch the pictures in data/screenshots/ from.
set(VORLANE_SCREENSHOT_URL "https://www.vorlane.example/data/screenshots"
  CACHE STRING "Published address of the data/screenshots/ folder")

# The window's class as X11 sees it (WM_CLASS "vorlane", "Vorlane"), so docks tie the
# window to its launcher.
set(VORLANE_WM_CLASS Vorlane)
# The manual page carries the date of the newest changelog entry, the release the version
# names, so the two cannot drift apart.
file(STRINGS ${CMAKE_SOURCE_DIR}/data/changelog VORLANE_RELEASE_LINE REGEX "^ -- " LIMIT_COUNT 1)
if(NOT VORLANE_RELEASE_LINE MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "data/changelog has no dated entry")
endif()
set(VORLANE_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND VORLANE_MONTHS ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1")
set(day ${CMAKE_MATCH_1})
string(LENGTH "${day}" day_length)
if(day_length EQUAL 1)
  set(day "0${day}")
endif()
if(month LESS 10)
  set(month "0${month}")
endif()
set(VORLANE_RELEASE_DATE "${CMAKE_MATCH_3}-${month}-${day}")

configure_file(${CMAKE_SOURCE_DIR}/data/vorlane.desktop.in
  ${VORLANE_DATA_OUT}/${VORLANE_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/vorlane.metainfo.xml.in
  ${VORLANE_DATA_OUT}/${VORLANE_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/vorlane.1.in ${VORLANE_DATA_OUT}/vorlane.1 @ONLY)

# PNG icons for desktops that do not draw SVG, drawn from the one SVG by Qt at build time.
add_executable(vorlane_icon_png ${CMAKE_SOURCE_DIR}/tools/icon_png.cpp)
target_link_libraries(vorlane_icon_png PRIVATE Qt6::Gui)
set(VORLANE_ICON_SVG ${CMAKE_SOURCE_DIR}/resources/icons/vorlane.svg)
set(VORLANE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VORLANE_GENERATED)
foreach(size ${VORLANE_ICON_SIZES})
  set(png ${VORLANE_DATA_OUT}/icons/${size}x${size}/${VORLANE_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VORLANE_DATA_OUT}/icons/${size}x${size}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:vorlane_icon_png> ${VORLANE_ICON_SVG} ${size} ${png}
    DEPENDS vorlane_icon_png ${VORLANE_ICON_SVG}
    COMMENT "Drawing the ${size}x${size} icon" VERBATIM)
  list(APPEND VORLANE_GENERATED ${png})
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants manual pages and changelogs compressed, without a time stamp (-n).
find_program(GZIP_EXECUTABLE gzip REQUIRED)
foreach(pair "vorlane.1|${VORLANE_DATA_OUT}/vorlane.1" "changelog|${CMAKE_SOURCE_DIR}/data/changelog")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  add_custom_command(OUTPUT ${VORLANE_DATA_OUT}/${name}.gz
    COMMAND ${GZIP_EXECUTABLE} -9n -c ${source} > ${VORLANE_DATA_OUT}/${name}.gz
    DEPENDS ${source}
    COMMENT "Compressing ${name}")
  list(APPEND VORLANE_GENERATED ${VORLANE_DATA_OUT}/${name}.gz)
endforeach()
add_custom_target(vorlane_desktop_files ALL DEPENDS ${VORLANE_GENERATED})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS vorlane RUNTIME DESTINATION bin)
install(TARGETS vorlane_web_preview LIBRARY DESTINATION ${VORLANE_MODULE_DIR})
install(FILES resources/version.txt resources/readme.txt DESTINATION share/vorlane)
install(DIRECTORY resources/help resources/Templates DESTINATION share/vorlane)
install(FILES ${VORLANE_DATA_OUT}/${VORLANE_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${VORLANE_DATA_OUT}/${VORLANE_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${VORLANE_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps
  RENAME ${VORLANE_APP_ID}.svg)
install(FILES ${VORLANE_DATA_OUT}/vorlane.1.gz DESTINATION share/man/man1)
install(FILES data/copyright ${VORLANE_DATA_OUT}/changelog.gz DESTINATION share/doc/vorlane)
# Debian points at /usr/share/common-licenses; an install from source carries the text itself.
if(NOT VORLANE_DEBIAN_PACKAGE)
  install(FILES LICENSE DESTINATION share/doc/vorlane)
endif()

# scripts/package: a Debian package whose dependencies come from the libraries actually linked.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlane)
set(CPACK_PACKAGE_VERSION ${VORLANE_VERSION})
set(CPACK_PACKAGE_VENDOR Tallowmark)
set(CPACK_PACKAGE_CONTACT "Tallowmark <vorlane@vorlane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for writing web pages by hand in HTML")
# CPack puts the summary first and indents these lines.
set(CPACK_PACKAGE_DESCRIPTION "Vorlane keeps the page's HTML source as plain text in one large editor pane.
Menus, two tool bars, short-cut keys and small dialogs write HTML 3.2 markup
around or after the selection: text styles, headings, paragraphs, special
characters, images, links, tables, horizontal lines, applets and a whole page
skeleton. The page can be shown in a web browser at any moment.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.vorlane.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so invisible to the library scan: the SVG reader draws every icon, HTML
# Tidy checks pages, libjpeg reads JPEG pictures and Hunspell checks spelling. Their packages
# are the ones that hold the libraries the build found.
set(VORLANE_RUNTIME_PACKAGES libqt6svg6)
foreach(library ${TIDY_LIBRARY} ${VORLANE_JPEG_FILE} ${HUNSPELL_LIBRARY})
  get_filename_component(resolved ${library} REALPATH)
  execute_process(COMMAND dpkg-query -S ${resolved} OUTPUT_VARIABLE owner ERROR_QUIET
                  RESULT_VARIABLE failed)
  if(failed OR NOT owner MATCHES "^([^:,]+)")
    message(WARNING "No Debian package holds ${resolved}; the package will not depend on it")
    continue()
  endif()
  list(APPEND VORLANE_RUNTIME_PACKAGES ${CMAKE_MATCH_1})
endforeach()
list(JOIN VORLANE_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The browser preview opens pages through xdg-open when no browser is chosen; the editor's
# default font, Arial, is drawn with its metric twin where Arial itself is missing; spelling
# needs at least one Hunspell dictionary.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation2, hunspell-en-us | hunspell-dictionary")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
