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
  elseif(MINGW)
    # A release executable carries no symbols or debug sections.
    target_link_options(${PROGRAM_NAME} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
  endif()
endfunction()

# shipped_code(TARGET): code that ships in the programs is built without C++
# exceptions and RTTI, and its function-local statics without locks (the
# programs run on one thread). As C++20, the library's string classes are
# instantiated in our own objects (the members used only) instead of linked
# from the library's prebuilt copies, which throw. Together with
# program_support (allocation and the library's error paths) the programs
# then link no unwinder, no demangler and no thread library.
function(shipped_code TARGET)
  set_target_properties(${TARGET} PROPERTIES CXX_STANDARD 20)
  if(MINGW)
    target_compile_options(${TARGET} PRIVATE -fno-exceptions -fno-rtti -fno-threadsafe-statics)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      # 32-bit Windows unwinds through frame-based handlers, never through
      # tables; with no C++ exceptions nothing reads them. (64-bit Windows
      # needs its unwind data for every function, so x64 keeps it.)
      target_compile_options(${TARGET} PRIVATE -fno-asynchronous-unwind-tables -fno-unwind-tables)
    endif()
  endif()
endfunction()
