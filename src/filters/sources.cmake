target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FilterEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FilterSet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MaskMatch.cpp
)

# The filter edit dialog and the two filter pages.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CFilterEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CGlobalFilterEditPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CLocalFilterEditPp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FilterEntryList.cpp
  )
endif()
