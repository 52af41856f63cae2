# Installs the build tree under a temporary prefix and checks that the installed
# programs find their data from their own location and read a trace.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -P check_install.cmake

function(fail what)
  message(FATAL_ERROR "installed tree under ${PREFIX}: ${what}")
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  fail("cmake --install failed (${result})")
endif()

foreach(file bin/quenlix bin/quenlix-report share/quenlix/OUI.TXT share/quenlix/help/index.html
             share/applications/quenlix.desktop share/icons/hicolor/scalable/apps/quenlix.svg
             share/mime/packages/quenlix.xml)
  if(NOT EXISTS "${PREFIX}/${file}")
    fail("${file} is missing")
  endif()
endforeach()
# The data must be found in share/, not beside the programs.
if(EXISTS "${PREFIX}/bin/OUI.TXT")
  fail("OUI.TXT is installed beside the programs")
endif()

file(READ "${PREFIX}/share/mime/packages/quenlix.xml" mime)
foreach(pattern *.enc *.tr1 *.cap *.bfr)
  string(FIND "${mime}" "pattern=\"${pattern}\"" found)
  if(found EQUAL -1)
    fail("the MIME types do not claim ${pattern}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/quenlix.desktop" desktop)
string(FIND "${desktop}" "MimeType=application/x-quenlix-trace;" found)
if(found EQUAL -1)
  fail("the desktop file does not name the trace MIME type")
endif()

execute_process(COMMAND "${PREFIX}/bin/quenlix" --check-setup
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 60)
if(NOT result EQUAL 0 OR NOT output MATCHES "share/quenlix\n" OR NOT output MATCHES "OUI.TXT: [1-9][0-9,]* vendors"
   OR NOT output MATCHES "Help: [^\n]*share/quenlix/help/index.html")
  fail("quenlix --check-setup gave ${result}:\n${output}${errors}")
endif()

set(sample "${SOURCE_DIR}/samples/office-sample.enc")
execute_process(COMMAND "${PREFIX}/bin/quenlix-report" "${sample}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 120)
if(NOT result EQUAL 0 OR errors MATCHES "OUI" OR NOT output MATCHES "Frames")
  fail("quenlix-report on the sample gave ${result}:\n${errors}")
endif()

# The desktop program itself starts on the sample and keeps running until stopped.
execute_process(COMMAND "${PREFIX}/bin/quenlix" "${sample}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 8)
if(NOT result MATCHES "timeout")
  fail("quenlix on the sample ended by itself (${result}):\n${errors}")
endif()
message(STATUS "installed tree under ${PREFIX} starts, finds its data and reads a trace")
