# Our own writers of the bench database and a temporary folder helper, shared by the tests and the
# benchmarks and compiled once for both. They use no test framework.
if(NOT TARGET orvantis_file_writers)
  add_library(orvantis_file_writers STATIC
    ${PROJECT_SOURCE_DIR}/tests/support/bench_database.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/csv_writer.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/jet_writer.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/temp_dir.cpp
  )
  target_include_directories(orvantis_file_writers PUBLIC ${PROJECT_SOURCE_DIR}/tests
                                                          ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(orvantis_file_writers PUBLIC orvantis::base PRIVATE orvantis_warnings)
endif()

# orvantis_build_paths(DEFINITIONS <NAME="value">... SOURCES <files...>)
# Folders and programs of this build that a test or benchmark names, given to the sources that
# use them only: a definition holding a path of this clone keeps the compiler cache from reusing
# an object in another clone, so it must not reach every source of a target.
function(orvantis_build_paths)
  cmake_parse_arguments(ARG "" "" "DEFINITIONS;SOURCES" ${ARGN})
  set_property(SOURCE ${ARG_SOURCES} APPEND PROPERTY COMPILE_DEFINITIONS ${ARG_DEFINITIONS})
endfunction()
