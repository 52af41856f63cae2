# The fuzz targets and their sources, shared by the libFuzzer build (fuzz/) and the
# corpus replay of the test build. quenlix_fuzz_target(NAME SOURCE) adds the target
# NAME from SOURCE: fuzz_NAME linked with libFuzzer, or replay_NAME linked with the
# replay driver.

# One target per reader: the reader of every QUENLIX_TRACE_FORMAT row of the format
# table (its second column), as kReaderTargets in FuzzHarness.h has them too.
set(quenlix_format_table ${CMAKE_CURRENT_LIST_DIR}/../src/import/TraceFormatTable.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quenlix_format_table})
file(STRINGS ${quenlix_format_table} quenlix_reader_rows REGEX "^QUENLIX_TRACE_FORMAT\\(")
set(QUENLIX_FUZZ_READERS)
foreach(row ${quenlix_reader_rows})
  if(NOT row MATCHES "^QUENLIX_TRACE_FORMAT\\( *[A-Za-z0-9_]+, *([a-z0-9_]+),")
    message(FATAL_ERROR "TraceFormatTable.def: no code and reader name at the start of the row: ${row}")
  endif()
  list(APPEND QUENLIX_FUZZ_READERS ${CMAKE_MATCH_1})
endforeach()
set(quenlix_distinct_readers ${QUENLIX_FUZZ_READERS})
list(REMOVE_DUPLICATES quenlix_distinct_readers)
if(NOT QUENLIX_FUZZ_READERS OR NOT quenlix_distinct_readers STREQUAL QUENLIX_FUZZ_READERS)
  message(FATAL_ERROR "TraceFormatTable.def: the QUENLIX_TRACE_FORMAT rows must name each reader once "
                      "(a further format of a reader is a QUENLIX_TRACE_FORMAT_SHARED row): ${QUENLIX_FUZZ_READERS}")
endif()
set(QUENLIX_FUZZ_TARGETS read_trace detect analyze_frames builders)
foreach(reader ${QUENLIX_FUZZ_READERS})
  list(APPEND QUENLIX_FUZZ_TARGETS reader_${reader})
endforeach()

function(quenlix_fuzz_source name out)
  if(name MATCHES "^reader_(.*)$")
    set(${out} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_reader.cpp PARENT_SCOPE)
  else()
    set(${out} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_${name}.cpp PARENT_SCOPE)
  endif()
endfunction()

# Adds the executable `exe` of fuzz target `name` from its source plus `extra` sources.
function(quenlix_add_fuzz_executable exe name)
  quenlix_fuzz_source(${name} source)
  add_executable(${exe} ${source} ${ARGN})
  target_link_libraries(${exe} PRIVATE quenlix_core)
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  if(name MATCHES "^reader_(.*)$")
    target_compile_definitions(${exe} PRIVATE QUENLIX_FUZZ_READER="${CMAKE_MATCH_1}")
  endif()
endfunction()
