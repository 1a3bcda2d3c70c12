target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CColumnSettings.cpp
)

if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ColumnHeader.cpp
  )
endif()
