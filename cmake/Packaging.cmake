# Install rules for the program and a Debian package made from them (cpack -G DEB).
include(GNUInstallDirs)
install(TARGETS mottler RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Debian keeps manual pages gzip-compressed; -n leaves name and time out of the file so
# that the package stays reproducible.
set(QUELSO_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/mottler.1.gz)
add_custom_command(OUTPUT ${QUELSO_MANPAGE}
  COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/doc/mottler.1 > ${QUELSO_MANPAGE}
  DEPENDS doc/mottler.1 VERBATIM)
add_custom_target(manpage DEPENDS ${QUELSO_MANPAGE})
add_dependencies(mottler manpage)
install(FILES ${QUELSO_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelso)
set(CPACK_PACKAGE_VENDOR "Quelso")
set(CPACK_PACKAGE_CONTACT "Quelso maintainers <maintainers@quelso.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch image tool that makes unique copies of pictures")
set(CPACK_PACKAGE_DESCRIPTION
    "Quelso turns each picture into a copy that looks the same but differs in its pixels and bytes,\n"
    "with optional watermarks and content-based file names. The mottler command runs it on the\n"
    "command line or opens its window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Libraries the binary and its window and naming modules link are found by dpkg-shlibdeps (the
# modules' engine symbols come from mottler, which loads them). What it cannot see is listed here:
# data the engine reads at run time and, for the window, the QML modules and plugins Qt loads
# (Qt's own file and folder dialogs, used without a desktop portal, import the folder list model).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(QUELSO_RUNTIME_DATA "fonts-liberation2, fonts-dejavu-core, tesseract-ocr-eng, tesseract-ocr-ara, opencv-data")
if(QUELSO_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${QUELSO_RUNTIME_DATA}, qml6-module-qtquick, qml6-module-qtquick-controls, \
qml6-module-qtquick-templates, qml6-module-qtquick-layouts, qml6-module-qtquick-window, \
qml6-module-qtquick-dialogs, qml6-module-qt-labs-folderlistmodel, qml6-module-qtqml-workerscript, \
qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-xdgdesktopportal-platformtheme, gnome-keyring")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${QUELSO_RUNTIME_DATA}")
endif()
include(CPack)
