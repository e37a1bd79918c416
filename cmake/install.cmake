# What `cmake --install` puts where, and the Debian package built from it by CPack
# (`cpack -G DEB` in the build folder). Included after every program target exists.
install(TARGETS korvadesk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The modules lie where korvadesk looks for them from its own place (platform/library_modules.h).
get_property(kd_modules GLOBAL PROPERTY KD_MODULES)
install(TARGETS ${kd_modules} LIBRARY DESTINATION ${KD_MODULE_INSTALL_DIR})
# The companion program lives beside korvadesk, where korvadesk looks for it.
if(TARGET hostquill)
    install(TARGETS hostquill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${CMAKE_SOURCE_DIR}/resources/app/korvadesk.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/app/korvadesk.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Pixel sizes for panels and menus that do not draw SVG.
foreach(size 16 22 32 48 64 128)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/app/korvadesk-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME korvadesk.png)
endforeach()

# The README's pictures keep their relative place beside it.
set(KD_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/korvadesk)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${KD_DOC_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${KD_DOC_DIR}/docs)

set(CPACK_PACKAGE_NAME korvadesk)
set(CPACK_PACKAGE_VENDOR "Korvadesk developers")
set(CPACK_PACKAGE_CONTACT "Korvadesk developers <korvadesk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sticky notes on the desktop, also sent over the network")
set(CPACK_PACKAGE_DESCRIPTION "Korvadesk keeps coloured sticky-note windows with rich text, \
titles, themes, alarms and expiry on the desktop, lives in the tray, and sends notes to other \
computers running Korvadesk (TCP port 2000) or by e-mail.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library packages come from the binaries themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Note e-mails go over TLS only; without the system's authorities no mail server is trusted.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
# Icon cache and menu database are refreshed by the desktop's own dpkg triggers; the package
# needs no scripts of its own.
include(CPack)
