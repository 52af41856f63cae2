# The fuzz targets and their sources, shared by the libFuzzer build (fuzz/) and the
# corpus replay of the test build. quenlix_fuzz_target(NAME SOURCE) adds the target
# NAME from SOURCE: fuzz_NAME linked with libFuzzer, or replay_NAME linked with the
# replay driver. The reader names are those of kReaderTargets in FuzzHarness.h.
set(QUENLIX_FUZZ_READERS advisor da30 dataglance etherpeek fireberd lan900 lanalyzer landecoder lanwatch
    netmon netsight observer sniffer pcap)
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
