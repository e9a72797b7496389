# puckwind_embed_resources(TARGET MANIFEST): builds an object library TARGET whose one source file
# holds every resource the manifest lists ("TYPE NAME FILE" a line, FILE relative to the manifest),
# as the table that platform::FindResource searches.
set(PUCKWIND_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_resources_script.cmake)

function(puckwind_embed_resources target manifest)
  get_filename_component(dir ${manifest} DIRECTORY)
  file(STRINGS ${manifest} lines REGEX "^[^#]")
  set(deps ${manifest})
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(GET fields 2 file)
    list(APPEND deps ${dir}/${file})
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_data.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest} -DOUTPUT=${out} -P ${PUCKWIND_EMBED_SCRIPT}
    DEPENDS ${deps} ${PUCKWIND_EMBED_SCRIPT}
    COMMENT "Embedding resources of ${manifest}")
  add_library(${target} OBJECT ${out})
  target_link_libraries(${target} PRIVATE puckwind_platform_headers)
endfunction()
