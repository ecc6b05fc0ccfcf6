# Installing the programs as a desktop program (cmake --install, cpack -G DEB): the two
# programs in bin, kaloroots' drawing and proof modules in the program's library folder, the
# shipped report template in its data folder, and the desktop entry, the icon and the
# MIME type of task files where the desktop looks for them.
# The program finds the template and the modules relative to its own folder; these three
# folders must match qorProgramFolders.cpp and KaloRootsDrawing.h.
set(QOR_INSTALL_BIN bin)
set(QOR_INSTALL_MODULES lib/qorKaloTools)
set(QOR_INSTALL_TEMPLATES share/qorKaloTools/Report)

install(TARGETS qorKaloTools kaloroots RUNTIME DESTINATION ${QOR_INSTALL_BIN})
install(TARGETS kalorootsdraw kalorootsprove LIBRARY DESTINATION ${QOR_INSTALL_MODULES})
install(FILES ${CMAKE_SOURCE_DIR}/data/report/kaloPlot2D.fr3 DESTINATION ${QOR_INSTALL_TEMPLATES})
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/qorKaloTools.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/qorKaloTools-task.xml DESTINATION share/mime/packages)

# The icon is the picture the program's windows show, drawn by the same code at every
# size of the icon theme and as SVG.
add_executable(qorKaloToolsIcon ${CMAKE_SOURCE_DIR}/src/program/icon/qorKaloToolsIcon.cpp)
target_link_libraries(qorKaloToolsIcon PRIVATE app Qt6::Gui Qt6::Svg)
set_target_properties(qorKaloToolsIcon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(QOR_ICON_FOLDER ${CMAKE_BINARY_DIR}/icons)
add_custom_command(OUTPUT ${QOR_ICON_FOLDER}/hicolor/scalable/apps/qorKaloTools.svg
  COMMAND qorKaloToolsIcon ${QOR_ICON_FOLDER}
  DEPENDS qorKaloToolsIcon
  COMMENT "Program icon")
add_custom_target(program_icon ALL DEPENDS ${QOR_ICON_FOLDER}/hicolor/scalable/apps/qorKaloTools.svg)
install(DIRECTORY ${QOR_ICON_FOLDER}/hicolor DESTINATION share/icons)

# The Debian package installs below /usr. Arb (with FLINT, MPFR and GMP) proves roots.
# Lua is loaded at run time and the fonts and
# Qt's translations are data, so no library link names them: they are listed here.
set(CPACK_PACKAGE_NAME qorkalotools)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ingenieurbüro Nordmark")
set(CPACK_PACKAGE_CONTACT "Ingenieurbüro Nordmark")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VASO Numerik Werkzeuge: Nullstellen von Funktionen einer Variablen")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6, libstdc++6, liblua5.1-0, libpugixml1v5, libflint-arb2, libflint17, libmpfr6, libgmp10, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4), libqt6svg6 (>= 6.4), fonts-liberation2, qt6-translations-l10n")
include(CPack)

if(QOR_TESTS)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/install ${CMAKE_BINARY_DIR}/tests/install)
endif()
