target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CColumnSettings.cpp
)

if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ColumnHeader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CProjectItem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CProjectView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CProjectViewCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileListItem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileSyncView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileSyncViewCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileListCells.cpp
  )
endif()
