target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CFileOperation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSyncLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSyncRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocDelete.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocSync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunFilterCheck.cpp
)

# The dialogs of runs and file commands, and the desktop actions.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CFileDeleteDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileProgressDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFolderDeleteDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeleteDialogLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPathPropertiesDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSyncOptionDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSyncPreviewDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopActions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiSyncHooks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SyncDialogLoop.cpp
  )
endif()
