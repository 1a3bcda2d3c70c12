target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CAppProject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMyDoc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CProject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSyncProject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NodePath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PairRoots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProjectArchive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProjectCreation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SncArchive.cpp
)

# The create-project dialog and the project property sheet.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CCreateProjectDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSyncProjectPropFolderPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSyncProjectPropOptionPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSyncProjectPropPs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProjectDialogs.cpp
  )
endif()
