# Installation: headers, the three libraries and the runtime they share, the
# object modules gaudev and mvndev, the program toy, a CMake package
# (find_package(pdferr CONFIG) gives pdferr::error_estimate, pdferr::ZEMOPdf,
# pdferr::PELK-2008, pdferr::uncertainty and pdferr::fio, and pdferr::fortran where it is built)
# and a pkg-config file per library; where gfortran was found, also the
# Fortran library and the interface module (source and .mod files) in
# include/pdferr/fortran.
include(CMakePackageConfigHelpers)

set(pdferr_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/pdferr)

set(pdferr_installed fio error_estimate ZEMOPdf PELK-2008 uncertainty)
if(TARGET pdferr_fortran)
  list(APPEND pdferr_installed pdferr_fortran)
  install(FILES ${PROJECT_SOURCE_DIR}/runtime/fortran/pdferr.f90
    ${PDFERR_FORTRAN_MODULES}/pdferr.mod ${PDFERR_FORTRAN_MODULES}/pdferr_blocks.mod
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pdferr/fortran)
endif()
install(TARGETS ${pdferr_installed}
  EXPORT pdferr-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS toy RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The public headers: the list of pdferr_public_headers, and nothing else.
# Every header in an include folder of the source tree must be on it.
get_property(pdferr_headers GLOBAL PROPERTY PDFERR_PUBLIC_HEADERS)
file(GLOB pdferr_include_headers ${PROJECT_SOURCE_DIR}/*/include/pdferr/*)
foreach(header IN LISTS pdferr_include_headers)
  if(NOT header IN_LIST pdferr_headers)
    message(FATAL_ERROR "${header} is in an include folder but not listed: "
      "add it to pdferr_public_headers in its folder's CMakeLists.txt")
  endif()
endforeach()
foreach(header IN LISTS pdferr_headers)
  pdferr_header_include_name(${header} name)
  cmake_path(GET name PARENT_PATH dir)
  if(NOT name MATCHES "^pdferr/")
    set(dir pdferr)
  endif()
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir})
endforeach()

# The object modules, for programs that supply the routines they call.
install(FILES $<TARGET_OBJECTS:gaudev> DESTINATION ${CMAKE_INSTALL_LIBDIR}/pdferr RENAME gaudev.o)
install(FILES $<TARGET_OBJECTS:mvndev> DESTINATION ${CMAKE_INSTALL_LIBDIR}/pdferr RENAME mvndev.o)

install(EXPORT pdferr-targets NAMESPACE pdferr:: DESTINATION ${pdferr_cmake_dir}
  FILE pdferrTargets.cmake)
configure_package_config_file(cmake/pdferrConfig.cmake.in
  ${PROJECT_BINARY_DIR}/pdferrConfig.cmake INSTALL_DESTINATION ${pdferr_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/pdferrConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/pdferrConfig.cmake
  ${PROJECT_BINARY_DIR}/pdferrConfigVersion.cmake DESTINATION ${pdferr_cmake_dir})

# pkg-config: one file per library, describing the kind this tree installs.
# - Static libraries: each archive by its path, so that a shared library of
#   the same name in the prefix (which -l would pick) is never linked; the
#   runtime, the C++ library and libm follow, with or without --static, so a
#   C or Fortran program links with the one line.
# - Shared libraries: -L and -l, the runtime only with --static (the shared
#   libraries name it themselves).
# A prefix holds one kind at a time for pkg-config, as for the CMake package:
# the one installed last.
get_target_property(pdferr_kind fio TYPE)
file(RELATIVE_PATH pdferr_pc_up /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" pdferr_pc_up "${pdferr_pc_up}")
set(pdferr_pc_head
  "prefix=\${pcfiledir}/${pdferr_pc_up}\n"  # relocatable: found from where the file lies
  "libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}\n"
  "includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}/pdferr\n\n")
function(pdferr_pkgconfig name description library requires)
  get_target_property(output ${library} OUTPUT_NAME)
  if(NOT output)
    set(output ${library})
  endif()
  if(pdferr_kind STREQUAL "STATIC_LIBRARY")
    set(libs "\${libdir}/${CMAKE_STATIC_LIBRARY_PREFIX}${output}${CMAKE_STATIC_LIBRARY_SUFFIX}")
    if(library STREQUAL "fio")
      string(APPEND libs " -lstdc++ -lm")
    endif()
    set(requires_line "Requires: ${requires}\n")
  else()
    set(libs "-L\${libdir} -l${output}")
    set(requires_line "Requires.private: ${requires}\n")
  endif()
  if(requires STREQUAL "")
    set(requires_line "")
  endif()
  file(WRITE ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc ${pdferr_pc_head}
    "Name: ${name}\n"
    "Description: ${description}\n"
    "Version: ${PROJECT_VERSION}\n"
    "${requires_line}"
    "Cflags: -I\${includedir} -I\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}\n"
    "Libs: ${libs}\n")
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
pdferr_pkgconfig(pdferr-fio "I/O runtime of the pdferr toolkit" fio "")
pdferr_pkgconfig(pdferr-error_estimate "Random sampling: uniform generator, normal deviates, correlated vectors"
  error_estimate pdferr-fio)
pdferr_pkgconfig(pdferr-ZEMOPdf "Parton density tables" ZEMOPdf pdferr-fio)
pdferr_pkgconfig(pdferr-PELK-2008 "Parton density grids" PELK-2008 pdferr-fio)
pdferr_pkgconfig(pdferr-uncertainty "Error-set formulas and error bands" uncertainty
  "pdferr-error_estimate pdferr-fio")

# Fortran programs: the module, the bridge (an archive of either kind of
# tree, pulled into the program by one of its symbols, since the runtime
# refers to it only weakly) with the module's procedures, the three
# libraries, the error-set formulas and the runtime.
if(TARGET pdferr_fortran)
  set(pc ${PROJECT_BINARY_DIR}/pkgconfig/pdferr-fortran.pc)
  file(WRITE ${pc} ${pdferr_pc_head}
    "Name: pdferr-fortran\n"
    "Description: The pdferr toolkit for Fortran programs (gfortran ${CMAKE_Fortran_COMPILER_VERSION})\n"
    "Version: ${PROJECT_VERSION}\n"
    "Requires: pdferr-error_estimate pdferr-ZEMOPdf pdferr-PELK-2008 pdferr-uncertainty pdferr-fio\n"
    "Cflags: -I\${includedir}/fortran\n"
    "Libs: -Wl,-u,pdferr_fortran_unit_state \${libdir}/libpdferr_fortran.a\n")
  install(FILES ${pc} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
