target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CFileOperation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSyncLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSyncRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocDelete.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocSync.cpp
)
