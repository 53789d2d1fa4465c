# Installs the build in BUILD_DIR under a fresh prefix and checks that
# everything the package holds is there, and that the desktop finds the
# program through its entry: the entry names the installed executable and an
# installed icon.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(entry "${PREFIX}/share/applications/com.veltrane.Clipscout.desktop")
foreach(path "${PREFIX}/bin/clipscout" "${PREFIX}/bin/clipscout-list" "${entry}"
             "${PREFIX}/libexec/clipscout/clipscout-preview-helper"
             "${PREFIX}/share/icons/hicolor/scalable/apps/clipscout.svg"
             "${PREFIX}/share/man/man1/clipscout.1.gz" "${PREFIX}/share/man/man1/clipscout-list.1.gz"
             "${PREFIX}/share/metainfo/com.veltrane.Clipscout.metainfo.xml"
             "${PREFIX}/share/clipscout/clipscout.html" "${PREFIX}/share/doc/clipscout/examples/Viewdeck.ini"
             "${PREFIX}/share/doc/clipscout/copyright" "${PREFIX}/share/doc/clipscout/changelog.gz")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# Help finds the manual from wherever the program was installed.
execute_process(COMMAND "${PREFIX}/bin/clipscout" --help OUTPUT_VARIABLE usage RESULT_VARIABLE result)
string(FIND "${usage}" "${PREFIX}/share/clipscout/clipscout.html." at)
if(NOT result EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "the installed program does not name its installed manual: ${usage}")
endif()

file(STRINGS "${entry}" lines)
foreach(expected "[Desktop Entry]" "Type=Application" "Exec=clipscout" "Icon=clipscout" "Name=Clipscout"
                 "StartupWMClass=Clipscout")
  list(FIND lines "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks \"${expected}\"")
  endif()
endforeach()

find_program(VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND ${VALIDATE} "${entry}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "desktop-file-validate rejects the entry")
endif()
file(REMOVE_RECURSE "${PREFIX}")
