# The widgets (clipscout_ui) and the program. Everything here depends on the
# core, never the reverse.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
set(CMAKE_AUTOMOC ON)

add_library(clipscout_ui STATIC
  app/CClipscoutApp.cpp app/CClipscoutApp.h
  app/CSingleInstanceGuard.cpp app/CSingleInstanceGuard.h
  app/ProgramCommandLine.cpp app/ProgramCommandLine.h
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
  platform/ui/GioShellLauncher.cpp platform/ui/GioShellLauncher.h
  platform/ui/InstanceChannel.cpp platform/ui/InstanceChannel.h
  platform/ui/MessageBoxSeam.cpp platform/ui/MessageBoxSeam.h
  platform/ui/QtStrings.h
  platform/ui/ShellLauncher.cpp platform/ui/ShellLauncher.h
  res/DialogTemplates.cpp res/DialogTemplates.h
  res/Resource.h
  res/StringTable.cpp res/StringTable.h
  search_page/BackgroundSearch.cpp search_page/BackgroundSearch.h
  search_page/BackgroundTask.cpp search_page/BackgroundTask.h
  search_page/CDlg.cpp search_page/CDlg.h
  search_page/DeleteReport.cpp search_page/DeleteReport.h
  search_page/FileActions.cpp search_page/FileActions.h
  search_page/MyListCtrl.cpp search_page/MyListCtrl.h
  search_page/PageLabels.cpp search_page/PageLabels.h
  search_page/PageSearch.cpp search_page/PageSearch.h
  search_page/PreviewCache.cpp search_page/PreviewCache.h
  search_page/PreviewDecoder.cpp search_page/PreviewDecoder.h
  search_page/PreviewPane.cpp search_page/PreviewPane.h
  search_page/ResultListModel.cpp search_page/ResultListModel.h
  search_page/ResultRowPainter.cpp search_page/ResultRowPainter.h
  search_page/RowSelection.cpp search_page/RowSelection.h
  search_page/SnapshotDecoder.cpp search_page/SnapshotDecoder.h
  search_page/TextFitting.cpp search_page/TextFitting.h
  tree_sheet/CPageFrame.cpp tree_sheet/CPageFrame.h
  tree_sheet/CPageFrameDefault.cpp tree_sheet/CPageFrameDefault.h
  tree_sheet/CTreeSheet.cpp tree_sheet/CTreeSheet.h)
target_link_libraries(clipscout_ui PUBLIC clipscout_core Qt6::Widgets Qt6::Network)
target_compile_definitions(clipscout_ui PRIVATE CLIPSCOUT_VERSION="${PROJECT_VERSION}")
# The window icon for a copy that is not installed (the desktop's theme has
# none then).
qt_add_resources(clipscout_ui icons PREFIX /icons BASE res FILES res/clipscout.svg)
# The desktop launcher: default applications by content type.
target_link_libraries(clipscout_ui PRIVATE PkgConfig::GIO)

add_executable(clipscout app/main.cpp)
target_link_libraries(clipscout PRIVATE clipscout_ui)
# The program, and the desktop entry and icon that put it in the desktop's menu.
include(GNUInstallDirs)
install(TARGETS clipscout RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/com.veltrane.Clipscout.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/clipscout.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
