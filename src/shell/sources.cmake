target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CAppOptionDisp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CAppOptionSync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CAppOptionTool.cpp
)
