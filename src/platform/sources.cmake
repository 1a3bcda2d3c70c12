target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FileName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Prompt.cpp
)
