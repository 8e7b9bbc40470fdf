# The program is built in layers, each a library that links only the layers below it:
#
#   app -> mainwin, urllist, infowin, recordwin -> views -> widgets, desktop
#   app -> server -> webui -> words -> core
#   views, server -> session -> web, platform, record, words -> core
#
# A static library leaves its undefined symbols for the program's link to find anywhere, so on
# ELF systems every layer is also linked on its own, as a shared library that may leave nothing
# undefined but what its own layers below and Qt provide: code that calls into a layer above it,
# or into one it does not link, fails to link there. The headers a layer includes are checked
# against the same links by the "layers" test.
if(UNIX AND NOT APPLE)
  set(KELVORA_LAYER_LINK_CHECK ON)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()

# kelvora_layer(<name> SOURCES ... [LAYERS <layers below>] [QT <Qt targets>] [PRIVATE_QT <Qt targets>])
# makes the library kelvora_<name> from the sources in src/<name>.
function(kelvora_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LAYERS;QT;PRIVATE_QT" ${ARGN})
  set(target kelvora_${name})
  list(TRANSFORM ARG_LAYERS PREPEND kelvora_ OUTPUT_VARIABLE below)
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${below} ${ARG_QT} PRIVATE ${ARG_PRIVATE_QT})
  kelvora_set_warnings(${target})
  list(JOIN ARG_LAYERS "," layers_below)
  set_property(GLOBAL APPEND PROPERTY KELVORA_LAYERS "${name}=${layers_below}")
  if(KELVORA_LAYER_LINK_CHECK)
    list(TRANSFORM below APPEND _linkcheck)
    add_library(${target}_linkcheck SHARED $<TARGET_OBJECTS:${target}>)
    target_link_libraries(${target}_linkcheck PRIVATE ${below} ${ARG_QT} ${ARG_PRIVATE_QT})
    target_link_options(${target}_linkcheck PRIVATE LINKER:--no-undefined)
    set_target_properties(${target}_linkcheck PROPERTIES AUTOMOC OFF LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/layercheck)
  endif()
endfunction()
