target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FileName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileCopy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Finder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderHandles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MountTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PathResolution.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProcessPriority.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Profile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Prompt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TempRecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Trash.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WholeFile.cpp
)
