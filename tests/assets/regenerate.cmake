# Makes the resources again into a fresh folder and compares them with resources/ byte for byte.
# -DGENERATOR=puckwind-assets -DRESOURCES=resources folder -DOUT=scratch folder -DFILES=a;b;c
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GENERATOR} write ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "puckwind-assets failed: ${result}")
endif()
foreach(name IN LISTS FILES)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${RESOURCES}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} made again differs from resources/${name}")
  endif()
endforeach()
