# Installing under a prefix and the Debian package. The build folder mirrors
# the installed layout (bin/ beside share/wrennote/), so that the program finds
# its shipped files the same way in both.

set(WREN_DATA_DIR ${CMAKE_INSTALL_DATADIR}/wrennote)
set(WREN_BUILD_DATA ${CMAKE_BINARY_DIR}/share/wrennote)

install(TARGETS wrennote wrennote-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/wrennote.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/wrennote.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
foreach(size 16 32 48)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/wrennote-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME wrennote.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/wrennote.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Shipped read-only files, copied into the program folder when missing there.
install(FILES ${CMAKE_SOURCE_DIR}/resources/settings/DateFormat.txt
              ${CMAKE_SOURCE_DIR}/resources/calendar/Holiday.txt
              ${CMAKE_SOURCE_DIR}/resources/calendar/MarkedDays.txt
        DESTINATION ${WREN_DATA_DIR})
file(GLOB WREN_TEMPLATES ${CMAKE_SOURCE_DIR}/resources/output/*.txt
     ${CMAKE_SOURCE_DIR}/resources/output/*.rtf)
install(FILES ${WREN_TEMPLATES} DESTINATION ${WREN_DATA_DIR}/Output)

# The manual is written as indented text and built into a document by the
# companion, as any user could import it.
set(WREN_MANUAL_SOURCE "${CMAKE_SOURCE_DIR}/resources/manual/WrenNOTE マニュアル.txt")
add_custom_command(
    OUTPUT ${WREN_BUILD_DATA}/Manual.wrn
    COMMAND ${CMAKE_COMMAND} -E make_directory ${WREN_BUILD_DATA}
    COMMAND wrennote-cli import-text ${WREN_MANUAL_SOURCE} ${WREN_BUILD_DATA}/Manual.wrn
    DEPENDS wrennote-cli ${WREN_MANUAL_SOURCE}
    COMMENT "Building the manual"
    VERBATIM)
add_custom_target(wrennote_manual ALL DEPENDS ${WREN_BUILD_DATA}/Manual.wrn)
install(FILES ${WREN_BUILD_DATA}/Manual.wrn DESTINATION ${WREN_DATA_DIR})

# The same shipped files in the build folder, for running without installing.
file(COPY ${CMAKE_SOURCE_DIR}/resources/settings/DateFormat.txt
          ${CMAKE_SOURCE_DIR}/resources/calendar/Holiday.txt
          ${CMAKE_SOURCE_DIR}/resources/calendar/MarkedDays.txt
     DESTINATION ${WREN_BUILD_DATA})
file(COPY ${WREN_TEMPLATES} DESTINATION ${WREN_BUILD_DATA}/Output)

# Debian package: wrennote_VERSION_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wrennote)
set(CPACK_PACKAGE_VENDOR KESTON)
set(CPACK_PACKAGE_CONTACT "WrenNOTE developers <wrennote@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Outliner for to-do lists, memos and outlines (Japanese UI)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "WrenNOTE keeps a tree of items, each with a title, a rich-text page, progress, a label, "
    "dates and file links, in its own .wrn file; with a month calendar, a focus tray, "
    "clipping and template output. The interface is Japanese.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: the X11 platform plugin, Qt's Japanese texts and a
# font with Japanese glyphs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
