# Where the program and its files go on Linux, as Debian lays programs out; debian/rules packages
# what this installs.

# Installation: the program in a folder of its own, where it looks for its optional files, and a
# command on the PATH that leads to it.
include(GNUInstallDirs)
set(SPAN_PROGRAM_FOLDER lib/span-meter)
set(SPAN_APP_ID example.span_meter.SpanMeter)
install(TARGETS span-meter RUNTIME DESTINATION ${SPAN_PROGRAM_FOLDER})
install(FILES resources/HAND-M.CUR DESTINATION ${SPAN_PROGRAM_FOLDER} OPTIONAL)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/command)
file(CREATE_LINK ../${SPAN_PROGRAM_FOLDER}/span-meter ${CMAKE_BINARY_DIR}/command/span-meter SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/command/span-meter DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/desktop/${SPAN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/desktop/${SPAN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
    install(FILES resources/icons/span-meter-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${SPAN_APP_ID}.png)
endforeach()
install(FILES resources/span-meter.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${SPAN_APP_ID}.svg)
install(FILES packaging/span-meter.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES docs/sample-skin.qss docs/manual.html README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The installed program finds the manual, its home page, from its own folder.
file(RELATIVE_PATH SPAN_INSTALLED_MANUAL ${CMAKE_INSTALL_PREFIX}/${SPAN_PROGRAM_FOLDER}
    ${CMAKE_INSTALL_FULL_DOCDIR}/manual.html)
target_compile_definitions(spancore PRIVATE SPAN_INSTALLED_MANUAL="${SPAN_INSTALLED_MANUAL}")
# The README shows screenshots by relative paths: they go beside it, so the installed copy shows
# them too.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS README.md)
file(READ README.md readme)
string(REGEX MATCHALL "!\\[[^(]*\\]\\([^)]+\\)" readme_images "${readme}")
foreach(image IN LISTS readme_images)
    string(REGEX REPLACE "^.*\\(([^)]+)\\)$" "\\1" image_path "${image}")
    if(image_path MATCHES "://")
        continue()
    endif()
    get_filename_component(image_folder ${image_path} DIRECTORY)
    install(FILES ${image_path} DESTINATION ${CMAKE_INSTALL_DOCDIR}/${image_folder})
endforeach()
