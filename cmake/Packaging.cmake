# The Debian package: `cpack -G DEB` in a build folder (scripts/package.sh makes a Release one).
# The program and its private files go to lib/velquor (the program finds them beside itself),
# the launcher and the tools to bin; below are the files only an installation needs.
set(VQ_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(PROGRAMS ${VQ_PACKAGING_DIR}/velquor DESTINATION bin)
install(FILES ${VQ_PACKAGING_DIR}/com.velquor.Velquor.metainfo.xml DESTINATION share/metainfo)
install(FILES ${VQ_PACKAGING_DIR}/copyright DESTINATION share/doc/velquor)

# Pictures the build makes beside the program (double-size art, icons) rather than taking
# from the source tree, which the data folders' own rules install.
foreach(dir res Skin htmlPath)
  install(DIRECTORY ${VQ_RUNTIME_DIR}/${dir}/ DESTINATION ${VQ_INSTALL_DIR}/${dir}
    FILES_MATCHING PATTERN "*@2x.bmp" PATTERN "*.png" PATTERN "*.svg" PATTERN "*.ico")
endforeach()

# Application icons in the hicolor theme, in whatever sizes the art provides.
file(GLOB VQ_ICON_FILES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/res/icons/hicolor/*/apps/velquor.png
  ${PROJECT_SOURCE_DIR}/res/icons/hicolor/*/apps/velquor.svg)
foreach(icon ${VQ_ICON_FILES})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/res/icons/hicolor ${icon})
  get_filename_component(reldir ${rel} DIRECTORY)
  install(FILES ${icon} DESTINATION share/icons/hicolor/${reldir})
endforeach()

# Manual pages, compressed as Debian expects (-n: no name or time stamp, so builds repeat).
find_program(VQ_GZIP gzip REQUIRED)
set(VQ_MAN_PAGES velquor.1 vqcli.1 vqlog.1 vqkeygen.1 velquor-service.1)
set(VQ_MAN_OUTPUTS "")
foreach(page ${VQ_MAN_PAGES})
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${VQ_GZIP} -9 -n -c ${VQ_PACKAGING_DIR}/man/${page} > ${out}
    DEPENDS ${VQ_PACKAGING_DIR}/man/${page}
    VERBATIM)
  list(APPEND VQ_MAN_OUTPUTS ${out})
endforeach()
add_custom_target(vq_man_pages ALL DEPENDS ${VQ_MAN_OUTPUTS})
install(FILES ${VQ_MAN_OUTPUTS} DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velquor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "The Velquor developers <velquor@velquor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "research news and chat client of a securities branch")
set(CPACK_PACKAGE_DESCRIPTION [=[
Velquor is the desktop client of a securities branch's research and
communication service. Branch staff and customers log in to read the
branch's research news, search articles, chat one to one, post on a
message board and fill in forms; new articles pop up in the screen corner
and new messages flash the tray icon.

The package also holds the command-line client vqcli, the message log
reader vqlog, the key tool vqkeygen and the reference service
velquor-service with demo data.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the binaries link come from dpkg-shlibdeps; it cannot see what is loaded at
# run time: Qt's X11 platform plugin, the browser engine's helper process and the Chinese font
# every dialog is drawn with. (The pictures are BMP and PNG, which Qt reads without plugins.)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6webenginecore6-bin, fonts-wqy-microhei")
# Sessions without XWayland need Qt's Wayland platform plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
include(CPack)
