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

# Desktop integration: the launcher, the program and document icons in the
# hicolor theme, and the document type (*.snc). The help page is copied beside
# the program and installed with it (src/CMakeLists.txt).
if(PAIRWELL_BUILD_GUI)
  set(PAIRWELL_RESOURCES ${CMAKE_CURRENT_LIST_DIR})
  install(FILES ${PAIRWELL_RESOURCES}/desktop/pairwell.desktop DESTINATION share/applications)
  install(FILES ${PAIRWELL_RESOURCES}/desktop/pairwell-mime.xml DESTINATION share/mime/packages)
  foreach(size 16 22 24 32 48 64 128 256)
    set(icon ${PAIRWELL_RESOURCES}/pictures/icons/pairwell-${size}.png)
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME pairwell.png)
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/mimetypes
            RENAME application-x-pairwell-document.png)
  endforeach()
  install(FILES ${PAIRWELL_RESOURCES}/pictures/icons/pairwell.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${PAIRWELL_RESOURCES}/pictures/icons/pairwell.svg DESTINATION share/icons/hicolor/scalable/mimetypes
          RENAME application-x-pairwell-document.svg)
  # The desktop learns the new type and launcher at once, unless the install
  # goes into a staging folder (DESTDIR) whose package does that on the target.
  install(CODE [[
    if("$ENV{DESTDIR}" STREQUAL "")
      find_program(PAIRWELL_UPDATE_MIME update-mime-database)
      if(PAIRWELL_UPDATE_MIME)
        execute_process(COMMAND "${PAIRWELL_UPDATE_MIME}" "${CMAKE_INSTALL_PREFIX}/share/mime" OUTPUT_QUIET ERROR_QUIET)
      endif()
      find_program(PAIRWELL_UPDATE_DESKTOP update-desktop-database)
      if(PAIRWELL_UPDATE_DESKTOP)
        execute_process(COMMAND "${PAIRWELL_UPDATE_DESKTOP}" "${CMAKE_INSTALL_PREFIX}/share/applications"
                        OUTPUT_QUIET ERROR_QUIET)
      endif()
    endif()
  ]])
endif()
