# Installed programs find the shared libraries beside them.
set(CMAKE_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

# pdferr_library(TARGET EXPORT_NAME): settings shared by the installable
# libraries.
#
# A library is static, or shared with a versioned soname when
# BUILD_SHARED_LIBS is on; a shared one exports exactly the symbols listed in
# cmake/exports/EXPORT_NAME.map.  Its public headers are found in the source
# folder while building and in include/pdferr once installed.
function(pdferr_library target export_name)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/pdferr>)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(map ${PROJECT_SOURCE_DIR}/cmake/exports/${export_name}.map)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
  endif()
endfunction()

# pdferr_subsystem(TARGET EXPORT_NAME SOURCES...): a subsystem library built
# from an object library TARGET_objects, and beside it the static library
# TARGET_internal of the same objects, whose internal functions the tests
# reach also when TARGET is a shared library that hides them.
function(pdferr_subsystem target export_name)
  add_library(${target}_objects OBJECT ${ARGN})
  target_include_directories(${target}_objects PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target}_objects PUBLIC fio_headers PRIVATE pdferr_flags)
  add_library(${target} $<TARGET_OBJECTS:${target}_objects>)
  pdferr_library(${target} ${export_name})
  target_link_libraries(${target} PUBLIC fio PRIVATE pdferr_flags m)
  add_library(${target}_internal STATIC EXCLUDE_FROM_ALL $<TARGET_OBJECTS:${target}_objects>)
  target_include_directories(${target}_internal PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target}_internal PUBLIC fio m)
endfunction()
