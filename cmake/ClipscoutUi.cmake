# The widgets (clipscout_ui) and the program. Everything here depends on the
# core, never the reverse.
if(WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
else()
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network DBus)
endif()
set(CMAKE_AUTOMOC ON)

add_library(clipscout_ui STATIC
  app/CClipscoutApp.cpp app/CClipscoutApp.h
  app/CSingleInstanceGuard.cpp app/CSingleInstanceGuard.h
  app/ProgramCommandLine.cpp app/ProgramCommandLine.h
  platform/ui/AsyncTask.cpp platform/ui/AsyncTask.h
  app/ViewerIniChoice.cpp app/ViewerIniChoice.h
  platform/ui/AnchoredLayout.cpp platform/ui/AnchoredLayout.h
  platform/ui/CDateTimeCtrl.cpp platform/ui/CDateTimeCtrl.h
  platform/ui/CImageList.cpp platform/ui/CImageList.h
  platform/ui/CPropertyPage.cpp platform/ui/CPropertyPage.h
  platform/ui/CPropertySheet.cpp platform/ui/CPropertySheet.h
  platform/ui/CTabCtrl.cpp platform/ui/CTabCtrl.h
  platform/ui/CTreeCtrl.cpp platform/ui/CTreeCtrl.h
  platform/ui/CWinApp.cpp platform/ui/CWinApp.h
  platform/ui/DialogControlTemplate.h
  platform/ui/DialogTemplate.h
  platform/ui/DialogUnits.cpp platform/ui/DialogUnits.h
  platform/ui/FolderWatch.cpp platform/ui/FolderWatch.h
  platform/ui/FolderChooserSeam.cpp platform/ui/FolderChooserSeam.h
  platform/ui/InstanceChannel.cpp platform/ui/InstanceChannel.h
  platform/ui/InstanceListener.h
  platform/ui/MessageBoxSeam.cpp platform/ui/MessageBoxSeam.h
  platform/ui/QtDiagnosticLog.cpp platform/ui/QtDiagnosticLog.h
  platform/ui/QtStrings.h
  platform/ui/ShellLauncher.cpp platform/ui/ShellLauncher.h
  platform/ui/WindowPlacement.cpp platform/ui/WindowPlacement.h
  res/DialogTemplates.cpp res/DialogTemplates.h
  res/Resource.h
  res/StringTable.cpp res/StringTable.h
  search_page/BackgroundSearch.cpp search_page/BackgroundSearch.h
  search_page/CalendarMarks.cpp search_page/CalendarMarks.h
  search_page/CDlg.cpp search_page/CDlg.h
  search_page/CPlaceholderPage.cpp search_page/CPlaceholderPage.h
  search_page/DeleteReport.cpp search_page/DeleteReport.h
  search_page/FileActions.cpp search_page/FileActions.h
  search_page/FileExport.cpp search_page/FileExport.h
  search_page/ListSortChoice.cpp search_page/ListSortChoice.h
  search_page/LiveList.cpp search_page/LiveList.h
  search_page/LiveListing.cpp search_page/LiveListing.h
  search_page/MyListCtrl.cpp search_page/MyListCtrl.h
  search_page/PageLabels.cpp search_page/PageLabels.h
  search_page/PageSearch.cpp search_page/PageSearch.h
  search_page/PreviewCache.cpp search_page/PreviewCache.h
  search_page/PreviewDecoder.cpp search_page/PreviewDecoder.h
  search_page/PreviewPane.cpp search_page/PreviewPane.h
  search_page/ResultListModel.cpp search_page/ResultListModel.h
  search_page/ResultRowPainter.cpp search_page/ResultRowPainter.h
  search_page/RowActions.cpp search_page/RowActions.h
  search_page/RowSelection.cpp search_page/RowSelection.h
  search_page/SearchRangePickers.cpp search_page/SearchRangePickers.h
  search_page/SearchSummary.cpp search_page/SearchSummary.h
  search_page/SearchPageAccessibility.cpp search_page/SearchPageAccessibility.h
  search_page/SearchPageLayout.cpp search_page/SearchPageLayout.h
  search_page/StoragePage.cpp search_page/StoragePage.h
  search_page/TextFitting.cpp search_page/TextFitting.h
  search_page/TimelineStrip.cpp search_page/TimelineStrip.h
  search_page/UntouchedEnd.cpp search_page/UntouchedEnd.h
  tree_sheet/CPageFrame.cpp tree_sheet/CPageFrame.h
  tree_sheet/CPageFrameDefault.cpp tree_sheet/CPageFrameDefault.h
  tree_sheet/CTreeSheet.cpp tree_sheet/CTreeSheet.h
  tree_sheet/SheetButtons.cpp tree_sheet/SheetButtons.h)
target_link_libraries(clipscout_ui PUBLIC clipscout_core Qt6::Widgets Qt6::Network)
# One half per system, as in the core.
if(WIN32)
  target_sources(clipscout_ui PRIVATE
    platform/ui/win/InstanceListener.cpp
    platform/ui/win/WinShellLauncher.cpp platform/ui/win/WinShellLauncher.h)
  target_link_libraries(clipscout_ui PRIVATE ole32 shell32)
else()
  target_sources(clipscout_ui PRIVATE
    platform/ui/InstanceListener.cpp
    platform/ui/FileManagerCall.cpp platform/ui/FileManagerCall.h
    platform/ui/GioShellLauncher.cpp platform/ui/GioShellLauncher.h)
  # The desktop's file manager, to show a file in its folder, and the
  # desktop's launcher: default applications by content type.
  target_link_libraries(clipscout_ui PRIVATE Qt6::DBus PkgConfig::GIO)
endif()
include(GNUInstallDirs)
# The manual as a web page, for Help: made from the manual page's source, kept
# beside the program in the build tree and installed with it.
set(CLIPSCOUT_MANUAL_DIR ${CMAKE_INSTALL_DATADIR}/clipscout)
# Found from the program's own place, as the helper is, so that any prefix
# (the package's /usr among them) works.
# On Windows everything lies in the program's folder, as the zip unpacks it.
if(WIN32)
  set(CLIPSCOUT_MANUAL_FROM_PROGRAM .)
else()
  file(RELATIVE_PATH CLIPSCOUT_MANUAL_FROM_PROGRAM /${CMAKE_INSTALL_BINDIR} /${CLIPSCOUT_MANUAL_DIR})
endif()
target_compile_definitions(clipscout_ui PRIVATE
  CLIPSCOUT_MANUAL_INSTALLED="${CLIPSCOUT_MANUAL_FROM_PROGRAM}/clipscout.html")
find_program(MANDOC mandoc REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/clipscout.html
  COMMAND ${MANDOC} -Thtml ${CMAKE_CURRENT_SOURCE_DIR}/res/man/clipscout.1 > ${CMAKE_BINARY_DIR}/clipscout.html
  DEPENDS res/man/clipscout.1
  VERBATIM)
add_custom_target(clipscout_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/clipscout.html)
target_compile_definitions(clipscout_ui PRIVATE CLIPSCOUT_VERSION="${PROJECT_VERSION}")
# The window icon for a copy that is not installed (the desktop's theme has
# none then).
qt_add_resources(clipscout_ui icons PREFIX /icons BASE res FILES res/clipscout.svg)

add_executable(clipscout app/main.cpp)
# A window program on Windows: no console opens with it.
set_target_properties(clipscout PROPERTIES WIN32_EXECUTABLE ON)
target_link_libraries(clipscout PRIVATE clipscout_ui)
add_dependencies(clipscout clipscout_manual)
# The program, and the desktop entry and icon that put it in the desktop's menu.
include(GNUInstallDirs)
install(TARGETS clipscout RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/com.veltrane.Clipscout.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/clipscout.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/clipscout.html DESTINATION ${CLIPSCOUT_MANUAL_DIR})
