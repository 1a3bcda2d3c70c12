target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CDirSyncStatus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CFileEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CFileSyncStatus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SyncState.cpp
)
