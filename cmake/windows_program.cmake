# add_windows_program(NAME DESCRIPTION ICON SOURCES...): a GUI program with the
# project's manifest (administrator rights, common controls 6), version
# resource and icon "DEFAULT_ICON".
function(add_windows_program PROGRAM_NAME PROGRAM_DESCRIPTION PROGRAM_ICON)
  set(PROGRAM_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/${PROGRAM_NAME}.manifest")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/app.manifest.in ${PROGRAM_MANIFEST} @ONLY)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${PROGRAM_NAME}.rc")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/app.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${PROGRAM_ICON};${PROGRAM_MANIFEST}")
  add_executable(${PROGRAM_NAME} WIN32 ${ARGN} ${rc})
  if(MSVC)
    # The manifest comes from the resource script, not from the linker.
    target_link_options(${PROGRAM_NAME} PRIVATE /MANIFEST:NO)
  endif()
endfunction()
