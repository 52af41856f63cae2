# The layers of the program, each a static library with an explicit source list
# (headers included, so that every file belongs to exactly one layer).
#
#   quenlix_layer(NAME [QT_FREE] SOURCES file... [DEPENDS layer...] [LINKS target...])
#
# DEPENDS names the layers directly below this one; a layer may include the
# headers of its own files and of every layer it depends on, directly or not.
# LINKS names outside libraries (threads, Qt). A QT_FREE layer may link no Qt
# library. Source paths are relative to the calling CMakeLists.txt.
#
# Every layer is written to the layer manifest (quenlix_write_layer_manifest),
# which the layer test reads to check that no include runs upward and that no
# Qt-free layer includes Qt.
function(quenlix_layer name)
  cmake_parse_arguments(L "QT_FREE" "" "SOURCES;DEPENDS;LINKS" ${ARGN})
  if(L_QT_FREE)
    foreach(link ${L_LINKS})
      if(link MATCHES "^Qt")
        message(FATAL_ERROR "${name} is a Qt-free layer and cannot link ${link}")
      endif()
    endforeach()
    set(kind qt-free)
  else()
    set(kind qt)
  endif()
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_DEPENDS} ${L_LINKS})
  quenlix_record_layer(${name} ${kind} "${L_DEPENDS}" "${L_SOURCES}")
endfunction()

# A program entry (its main) as a layer of its own above the layers it links.
function(quenlix_program name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_DEPENDS})
  quenlix_record_layer(${name} program "${P_DEPENDS}" "${P_SOURCES}")
endfunction()

function(quenlix_record_layer name kind depends sources)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(lines "layer ${name} ${kind}")
  foreach(dependency ${depends})
    list(APPEND lines "depends ${name} ${dependency}")
  endforeach()
  foreach(source ${sources})
    list(APPEND lines "file ${name} ${folder}/${source}")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QUENLIX_LAYER_MANIFEST ${lines})
endfunction()

# Writes every layer recorded so far to `path`, one fact a line.
function(quenlix_write_layer_manifest path)
  get_property(lines GLOBAL PROPERTY QUENLIX_LAYER_MANIFEST)
  list(JOIN lines "\n" text)
  file(WRITE ${path} "${text}\n")
endfunction()
