# Run by CPack after it has made the packages, whose programs are stripped: the debug symbols of
# the programs in the build tree (the same build IDs) go into
# puckwind-dbgsym-VERSION-amd64.tar.gz as usr/lib/debug/.build-id/NN/REST.debug, where gdb
# looks once it is unpacked at /.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root ${CPACK_TOPLEVEL_DIRECTORY}/dbgsym)
file(REMOVE_RECURSE ${root})
foreach(program IN LISTS CPACK_PUCKWIND_PROGRAMS)
  execute_process(COMMAND readelf -n ${program} OUTPUT_VARIABLE notes COMMAND_ERROR_IS_FATAL ANY)
  if(NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    message(FATAL_ERROR "${program} has no build ID")
  endif()
  set(dir ${root}/usr/lib/debug/.build-id/${CMAKE_MATCH_1})
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND objcopy --only-keep-debug --compress-debug-sections ${program}
                          ${dir}/${CMAKE_MATCH_2}.debug COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set(archive ${CPACK_PACKAGE_DIRECTORY}/puckwind-dbgsym-${CPACK_PACKAGE_VERSION}-amd64.tar.gz)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${archive} usr WORKING_DIRECTORY ${root}
                COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Debug symbols: ${archive}")
