# Installed programs find the shared libraries of their tree wherever it is
# installed or moved (bin/ to the library folder); the libraries find each
# other in their own folder.
file(RELATIVE_PATH pdferr_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${pdferr_bin_to_lib}")

# pdferr_library(TARGET EXPORT_NAME): settings shared by the installable
# libraries.
#
# A library is static, or shared with a versioned soname when
# BUILD_SHARED_LIBS is on; a shared one exports exactly the symbols listed in
# cmake/exports/EXPORT_NAME.map.  Its public headers are found in the source
# folder while building and in include/pdferr once installed.  Its users
# need C++17 (or C99); the project's own flags stay inside.
function(pdferr_library target export_name)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  target_compile_features(${target} PUBLIC cxx_std_17)
  target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:pdferr_flags>)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/pdferr>)
  get_target_property(type ${target} TYPE)
  # A static library's users need the C++ runtime, which only the C++
  # linker adds by itself: a C or Fortran program gets it from here.
  if(type STREQUAL "STATIC_LIBRARY")
    target_link_libraries(${target} INTERFACE $<$<NOT:$<LINK_LANGUAGE:CXX>>:stdc++>)
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    set(map ${PROJECT_SOURCE_DIR}/cmake/exports/${export_name}.map)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
  endif()
endfunction()

# pdferr_subsystem(TARGET EXPORT_NAME SOURCES src... [CORE core]
#                  [OBJECTS objects...] [HEADERS header...]): a subsystem's
# legacy face SOURCES (an object library TARGET_objects) over the object
# library CORE, with OBJECTS beside it, as the library TARGET and as
# TARGET_internal, a static library of the same objects whose internal
# functions the tests reach also when TARGET is a shared library that hides
# them.  Both carry the toolkit's elementary functions (pdferr_use_math).
# The folder's include/ (the value types and C interface) is public to all
# three; the core's headers to the face and to TARGET_internal.  HEADERS are
# the installed headers (pdferr_public_headers).
function(pdferr_subsystem target export_name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "CORE" "SOURCES;OBJECTS;HEADERS")
  set(objects $<TARGET_OBJECTS:${target}_objects> ${arg_OBJECTS})
  add_library(${target}_objects OBJECT ${arg_SOURCES})
  target_include_directories(${target}_objects PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target}_objects PUBLIC fio_headers PRIVATE pdferr_flags)
  add_library(${target}_internal STATIC EXCLUDE_FROM_ALL)
  target_include_directories(${target}_internal PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  if(arg_CORE)
    target_link_libraries(${target}_objects PRIVATE ${arg_CORE})
    list(APPEND objects $<TARGET_OBJECTS:${arg_CORE}>)
    target_include_directories(${target}_internal PUBLIC
      $<TARGET_PROPERTY:${arg_CORE},INTERFACE_INCLUDE_DIRECTORIES>)
  endif()
  add_library(${target} ${objects})
  target_sources(${target}_internal PRIVATE ${objects})
  pdferr_library(${target} ${export_name})
  target_link_libraries(${target} PUBLIC fio PRIVATE m)
  target_link_libraries(${target}_internal PUBLIC fio m)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
    set(include ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_include_directories(${target}_objects PUBLIC ${include})
    target_include_directories(${target}_internal PUBLIC ${include})
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${include}>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  endif()
  pdferr_use_math(${target}_objects ${target} ${target}_internal)
  pdferr_public_headers(${arg_HEADERS})
endfunction()

# pdferr_public_headers(HEADER...): installed headers of the current folder,
# appended to the one list that the installation and the header tests read
# (the global property PDFERR_PUBLIC_HEADERS, of absolute paths).  A header
# in an include folder, FOLDER/include/pdferr/NAME, is included as
# <pdferr/NAME>; any other as "NAME", from include/pdferr where it is
# installed too.
function(pdferr_public_headers)
  foreach(header IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH header BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    if(NOT EXISTS ${header})
      message(FATAL_ERROR "pdferr_public_headers: no file ${header}")
    endif()
    set_property(GLOBAL APPEND PROPERTY PDFERR_PUBLIC_HEADERS ${header})
  endforeach()
endfunction()

# pdferr_header_include_name(HEADER VAR): the name by which users include
# HEADER (an absolute path of the list above): pdferr/NAME or NAME.
function(pdferr_header_include_name header var)
  if(header MATCHES "/include/(pdferr/.+)$")
    set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    cmake_path(GET header FILENAME name)
    set(${var} ${name} PARENT_SCOPE)
  endif()
endfunction()

# pdferr_use_math(TARGET...): each TARGET computes with the toolkit's own
# elementary functions (runtime/math/crmath.hpp, namespace pdferr::math).
# An object library only finds the header; a library or program gets its own
# copy of the objects.  Their symbols are hidden and C++ names: no library
# exports them, and a program that links several libraries, shared or
# static, gets no duplicate definitions (a static archive's copy is only
# taken where nothing before defined the functions).
function(pdferr_use_math)
  foreach(target IN LISTS ARGN)
    target_include_directories(${target} PRIVATE
      $<BUILD_INTERFACE:$<TARGET_PROPERTY:pdferr_math,INTERFACE_INCLUDE_DIRECTORIES>>)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "OBJECT_LIBRARY")
      target_sources(${target} PRIVATE $<TARGET_OBJECTS:pdferr_math>)
    endif()
  endforeach()
endfunction()
