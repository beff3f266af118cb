# The program installed as Debian lays programs out, and its Debian package.

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
# CPack's strip leaves the compiler's .comment notes in, which Debian's own tools take out.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${SPAN_PROGRAM_FOLDER}/span-meter\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")
install(FILES docs/sample-skin.qss README.md packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
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

# The package's version names the Debian release it is built on (1.0.0~deb12, 1.0.0~deb13), so
# the two builds never share a file name and the later release's sorts higher.
set(SPAN_RELEASE_SUFFIX "")
if(EXISTS /etc/os-release)
    file(STRINGS /etc/os-release os_id REGEX "^ID=")
    file(STRINGS /etc/os-release os_version REGEX "^VERSION_ID=")
    if(os_id STREQUAL "ID=debian" AND os_version MATCHES "^VERSION_ID=\"?([0-9]+)")
        set(SPAN_RELEASE_SUFFIX "~deb${CMAKE_MATCH_1}")
    endif()
endif()

# The manual page and the changelog, compressed as Debian wants them: gzip -n stores no name and
# no time, so the package's bytes depend on the sources alone.
set(SPAN_MAINTAINER "The Span Meter team <support@span-meter.example>")
set(SPAN_PACKAGE_FILES ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(OUTPUT ${SPAN_PACKAGE_FILES}/span-meter.1.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/span-meter.1 span-meter.1
    COMMAND gzip -9nf span-meter.1
    DEPENDS packaging/span-meter.1
    WORKING_DIRECTORY ${SPAN_PACKAGE_FILES} VERBATIM)
add_custom_command(OUTPUT ${SPAN_PACKAGE_FILES}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -DMETAINFO=${CMAKE_SOURCE_DIR}/resources/desktop/${SPAN_APP_ID}.metainfo.xml
        -DVERSION=${PROJECT_VERSION} "-DRELEASE_SUFFIX=${SPAN_RELEASE_SUFFIX}" -DPACKAGE=span-meter
        -DMAINTAINER=${SPAN_MAINTAINER}
        -DOUTPUT=${SPAN_PACKAGE_FILES}/changelog.gz -P ${CMAKE_SOURCE_DIR}/packaging/changelog.cmake
    DEPENDS resources/desktop/${SPAN_APP_ID}.metainfo.xml packaging/changelog.cmake VERBATIM)
add_custom_target(package-documents ALL
    DEPENDS ${SPAN_PACKAGE_FILES}/span-meter.1.gz ${SPAN_PACKAGE_FILES}/changelog.gz)
file(MAKE_DIRECTORY ${SPAN_PACKAGE_FILES})
install(FILES ${SPAN_PACKAGE_FILES}/span-meter.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SPAN_PACKAGE_FILES}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_PACKAGE_NAME span-meter)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}${SPAN_RELEASE_SUFFIX})
set(CPACK_PACKAGE_VENDOR "The Span Meter team")
set(CPACK_PACKAGE_CONTACT ${SPAN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Counts the time since or until a chosen moment")
set(CPACK_PACKAGE_DESCRIPTION [[
The Tallyglass Hourwick Span Meter measures the distance between one chosen
moment and the present. Pick a date and a time of day, then count the time
that has passed since that moment, or count down the time left until it, in
whole days, hours, minutes and seconds, refreshed forty times a second.

An optional style sheet and an optional hand pointer beside the program
change its look. It keeps no settings and writes no files.]])
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt and C++ libraries come from dpkg-shlibdeps; the fonts it cannot see.
# Debian 13's fonts-liberation is version 2, and its fonts-liberation2 only a passage to it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation (>= 1:2) | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The home page opens through xdg-open, the usual way a desktop program opens a web page; without
# it the visit fails with a report.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
