# The Debian package: `cpack -G DEB` in the build folder. Everything it holds
# is installed by the rules here and beside the targets.
include(GNUInstallDirs)

# Manual pages and the changelog go in compressed, as Debian wants them.
set(CLIPSCOUT_COMPRESSED)
foreach(source IN ITEMS res/man/clipscout.1 res/man/clipscout-list.1 res/package/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/package/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND CLIPSCOUT_COMPRESSED ${output})
endforeach()
add_custom_target(clipscout_package_files ALL DEPENDS ${CLIPSCOUT_COMPRESSED})

install(FILES ${CMAKE_BINARY_DIR}/package/clipscout.1.gz ${CMAKE_BINARY_DIR}/package/clipscout-list.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz res/package/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES res/package/Viewdeck.ini DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES res/com.veltrane.Clipscout.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_PACKAGE_NAME clipscout)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Clipscout developers <clipscout@veltrane.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "browser for the recordings of the Viewdeck camera recorder
Clipscout finds the recordings that the Viewdeck camera recorder leaves on
disk and offers one search page per camera: pick a category and a time range
and the list shows each recording with its recorded time and duration. A
recording can be played back with the desktop's default application, deleted
or shown in the file manager. The command clipscout-list prints the same list
for scripts, as text or JSON.")
# Library dependencies come from the binaries; these come from what they load
# at run time: the content types of files, and the icon engine for the SVG icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, libqt6svg6, libseccomp2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
