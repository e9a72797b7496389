# puckwind_node_program(TARGET): links TARGET as NAME.js, a command for node (`node NAME.js` or,
# executable, NAME.js itself): the real file system, the exit status, the .wasm read beside it at
# start-up (no fetch, which node's own would try on a file name).
function(puckwind_node_program target)
  set_target_properties(${target} PROPERTIES SUFFIX .js)
  target_link_options(${target} PRIVATE -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sENVIRONMENT=node
    -sALLOW_MEMORY_GROWTH=1 -sWASM_ASYNC_COMPILATION=0
    "SHELL:--extern-pre-js ${PROJECT_SOURCE_DIR}/cmake/node_command.js")
  add_custom_command(TARGET ${target} POST_BUILD COMMAND chmod +x $<TARGET_FILE:${target}>)
endfunction()
