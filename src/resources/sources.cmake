# Texts, command ids and menu definitions: plain data, part of the core.
target_sources(pairwell_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Texts.cpp
)

# The pictures are drawn by tools/make-pictures.cpp; the PNGs it writes are
# committed. Rebuild them with `cmake --build <dir> --target pictures`.
if(PAIRWELL_BUILD_GUI)
  add_executable(pairwell-make-pictures EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tools/make-pictures.cpp)
  target_link_libraries(pairwell-make-pictures PRIVATE Qt6::Gui pairwell_flags)
  add_custom_target(pictures
    COMMAND pairwell-make-pictures ${CMAKE_CURRENT_LIST_DIR}/pictures
    DEPENDS pairwell-make-pictures
    COMMENT "Drawing the pictures into src/resources/pictures")
endif()

# The pictures and their accessors.
if(TARGET pairwell_gui)
  target_sources(pairwell_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Pictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pairwell.qrc
  )
endif()
