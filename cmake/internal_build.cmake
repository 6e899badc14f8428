# irstore_internal_build(LIBRARY DEPENDENCIES...): the library from inside,
# for its tests, the bench and the fuzzers. LIBRARY_static is an archive of
# the shared library's very objects, linked with DEPENDENCIES, so that the
# internals need not be exported; LIBRARY_internal adds the library's
# internal headers (the folder of the calling CMakeLists.txt). A program
# that uses it links no shared copy of the library besides.
function(irstore_internal_build library)
  add_library(${library}_static STATIC $<TARGET_OBJECTS:${library}>)
  target_include_directories(${library}_static PUBLIC $<TARGET_PROPERTY:${library},INTERFACE_INCLUDE_DIRECTORIES>)
  target_link_libraries(${library}_static PUBLIC ${ARGN})
  add_library(${library}_internal INTERFACE)
  target_include_directories(${library}_internal INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${library}_internal INTERFACE ${library}_static)
endfunction()
