target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FilterEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FilterSet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MaskMatch.cpp
)
