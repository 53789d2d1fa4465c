# Previews of clips and snapshots: the program's side in the core, and the
# decoding helper, a program of its own. Each side's system calls have a
# Linux half (preview/X.cpp) and a Windows half (preview/win/X.cpp).
if(WIN32)
  set(CLIPSCOUT_PREVIEW_HALF preview/win)
else()
  set(CLIPSCOUT_PREVIEW_HALF preview)
endif()
target_sources(clipscout_core PRIVATE
  preview/BoundedDecoder.cpp
  preview/ClipFrameDecoder.cpp
  preview/FrameScaler.cpp
  preview/HelperAnswer.cpp
  preview/HelperDecoder.cpp
  ${CLIPSCOUT_PREVIEW_HALF}/HelperProcess.cpp
  preview/HelperRequest.cpp
  preview/PreviewWorker.cpp
  preview/StillFrameDecoder.cpp
  preview/StillHeader.cpp)

find_package(PkgConfig REQUIRED)
if(WIN32)
  # FFmpeg for Windows, static, as tools/build-ffmpeg-windows.sh builds it into
  # this prefix; never the build machine's.
  set(CLIPSCOUT_FFMPEG_WINDOWS "$ENV{HOME}/.cache/clipscout/ffmpeg-windows" CACHE PATH
    "Prefix of FFmpeg built for Windows (tools/build-ffmpeg-windows.sh)")
  if(NOT EXISTS "${CLIPSCOUT_FFMPEG_WINDOWS}/.complete")
    message(FATAL_ERROR "No FFmpeg for Windows in ${CLIPSCOUT_FFMPEG_WINDOWS}: run tools/build-ffmpeg-windows.sh, "
      "or configure with -DCLIPSCOUT_WITH_PREVIEW=OFF")
  endif()
  set(ENV{PKG_CONFIG_LIBDIR} "${CLIPSCOUT_FFMPEG_WINDOWS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  pkg_check_modules(FFMPEG REQUIRED libavformat libavcodec libswscale libavutil)
  # Static libraries: what they need of the system comes with them.
  add_library(clipscout_ffmpeg INTERFACE)
  target_include_directories(clipscout_ffmpeg SYSTEM INTERFACE ${FFMPEG_STATIC_INCLUDE_DIRS})
  target_link_directories(clipscout_ffmpeg INTERFACE ${FFMPEG_STATIC_LIBRARY_DIRS})
  target_link_libraries(clipscout_ffmpeg INTERFACE ${FFMPEG_STATIC_LIBRARIES})
else()
  # Debian's FFmpeg libraries.
  pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libavutil)
  add_library(clipscout_ffmpeg INTERFACE)
  target_link_libraries(clipscout_ffmpeg INTERFACE PkgConfig::FFMPEG)
endif()
target_link_libraries(clipscout_core PRIVATE clipscout_ffmpeg)
include(GNUInstallDirs)
if(WIN32)
  # Tokens and their integrity levels, for starting the helper.
  target_link_libraries(clipscout_core PRIVATE advapi32)
else()
  # Where the installed program finds the installed helper, whatever the prefix.
  file(RELATIVE_PATH CLIPSCOUT_HELPER_FROM_PROGRAM /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBEXECDIR})
  target_compile_definitions(clipscout_core PRIVATE
    CLIPSCOUT_PREVIEW_HELPER_INSTALLED="${CLIPSCOUT_HELPER_FROM_PROGRAM}/clipscout/clipscout-preview-helper")
endif()

# The decoding helper: previews are decoded in a process of their own,
# confined (on Linux with Debian's libseccomp; on Windows in a job object and
# with the process's own mitigation policies). Built from its own sources,
# apart from the core, and without ThreadSanitizer, whose runtime needs
# system calls the confinement refuses (it runs one thread anyway). Its output
# lands beside the program, where the program looks for it in a build tree.
add_executable(clipscout-preview-helper
  preview/clipscout_preview_helper.cpp
  preview/BoundedDecoder.cpp
  preview/ClipFrameDecoder.cpp
  preview/FrameScaler.cpp
  preview/HelperAnswer.cpp
  ${CLIPSCOUT_PREVIEW_HALF}/HelperPipe.cpp
  preview/HelperRequest.cpp
  ${CLIPSCOUT_PREVIEW_HALF}/HelperSandbox.cpp
  preview/StillFrameDecoder.cpp
  preview/StillHeader.cpp
  platform/CTime.cpp
  platform/WindowThreadCheck.cpp)
target_include_directories(clipscout-preview-helper PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(clipscout-preview-helper PRIVATE clipscout_ffmpeg)
if(WIN32)
  target_sources(clipscout-preview-helper PRIVATE
    platform/win/CFile.cpp
    platform/win/FileHandle.cpp
    platform/win/LocalClock.cpp
    platform/win/WideText.cpp
    platform/win/WinFiles.cpp)
  target_compile_definitions(clipscout-preview-helper PRIVATE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
  target_link_libraries(clipscout-preview-helper PRIVATE ntdll)
else()
  target_sources(clipscout-preview-helper PRIVATE
    platform/CFile.cpp
    platform/FileHandle.cpp
    platform/LocalClock.cpp)
  pkg_check_modules(SECCOMP REQUIRED IMPORTED_TARGET libseccomp)
  target_link_libraries(clipscout-preview-helper PRIVATE PkgConfig::SECCOMP)
endif()
set_target_properties(clipscout-preview-helper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(CLIPSCOUT_TSAN)
  target_compile_options(clipscout-preview-helper PRIVATE -fno-sanitize=thread)
  target_link_options(clipscout-preview-helper PRIVATE -fno-sanitize=thread)
endif()
if(WIN32)
  # Beside the program, as the program is unpacked.
  install(TARGETS clipscout-preview-helper RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  install(TARGETS clipscout-preview-helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/clipscout)
endif()
# Whatever decodes previews needs the helper built.
add_dependencies(clipscout_core clipscout-preview-helper)
