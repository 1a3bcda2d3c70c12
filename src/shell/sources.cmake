target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CAppOptionDisp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CAppOptionSync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CAppOptionTool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CCommandLineInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CRecentFileList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShowLastErrorBox.cpp
)

# Message boxes, the path bar and the small dialogs.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CAboutDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CColumnEditDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CDocCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFolderSelectDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMainApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMessageBoxPrompt.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CNameInputDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPathBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSplitter.cpp
  )
endif()

# The options sheet, its pages and the property sheet they are built on.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CAppOptionPs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/COptionDispPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/COptionSyncPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/COptionToolPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPropertyPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPropertySheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileBrowse.cpp
  )
endif()

# Auto-sync, the task tray and the desktop registration of the document type.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CAutoSync.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CAutoSyncDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSystemTray.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopIntegration.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pairwell_desktop.qrc
  )
endif()
