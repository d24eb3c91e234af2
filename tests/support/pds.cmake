# The synthetic table file generator: a library for tests and a small
# program that writes the bundled table set (used by the tests and by the
# example, which may be built without the tests).
include_guard(GLOBAL)

add_library(pds_writer STATIC ${CMAKE_CURRENT_LIST_DIR}/pds_writer.cpp)
target_include_directories(pds_writer PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(pds_writer PRIVATE pdferr_flags m)

add_executable(pds_write ${CMAKE_CURRENT_LIST_DIR}/pds_write_main.cpp)
target_link_libraries(pds_write PRIVATE pdferr_flags pds_writer)
