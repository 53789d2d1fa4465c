# The widgets (clipscout_ui) and the program. Everything here depends on the
# core, never the reverse.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
set(CMAKE_AUTOMOC ON)

file(GLOB CLIPSCOUT_UI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/ui/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/search_page/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tree_sheet/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/res/*.cpp)
file(GLOB CLIPSCOUT_UI_HEADERS CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/ui/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/search_page/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/tree_sheet/*.h)
foreach(source IN LISTS CLIPSCOUT_APP_UI_SOURCES)
  if(EXISTS ${source})
    list(APPEND CLIPSCOUT_UI_SOURCES ${source})
  endif()
endforeach()

if(CLIPSCOUT_UI_SOURCES)
  add_library(clipscout_ui STATIC ${CLIPSCOUT_UI_SOURCES} ${CLIPSCOUT_UI_HEADERS})
  target_link_libraries(clipscout_ui PUBLIC clipscout_core Qt6::Widgets Qt6::Network)
  # The desktop launcher: default applications by content type.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
  target_link_libraries(clipscout_ui PRIVATE PkgConfig::GIO)
endif()
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
  add_executable(clipscout app/main.cpp)
  target_link_libraries(clipscout PRIVATE clipscout_ui)
  # The program, and the desktop entry and icon that put it in the desktop's menu.
  include(GNUInstallDirs)
  install(TARGETS clipscout RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/clipscout.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/clipscout.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
