# Run at install time: copies every DLL that EXECUTABLES load and DIRECTORIES hold into DESTINATION,
# stripped. The DLLs that none of the DIRECTORIES hold are Windows' own.
# Windows compares DLL names without regard to case, and CMake's resolver looks them up
# lower-cased, so a name it cannot place is looked for again here ignoring case.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${OBJDUMP})
set(candidates)
foreach(dir IN LISTS DIRECTORIES)
  file(GLOB found ${dir}/*.dll)
  list(APPEND candidates ${found})
endforeach()
# A DLL found ignoring case is added to the executables, so that its own DLLs are found too.
set(dlls)
set(inputs ${EXECUTABLES})
while(inputs)
  file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${inputs}
    DIRECTORIES ${DIRECTORIES}
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved)
  list(APPEND dlls ${resolved})
  set(inputs)
  set(system_dlls)
  foreach(name IN LISTS unresolved)
    set(match)
    foreach(candidate IN LISTS candidates)
      get_filename_component(base ${candidate} NAME)
      string(TOLOWER "${base}" base)
      if(base STREQUAL name)
        set(match ${candidate})
      endif()
    endforeach()
    list(FIND dlls "${match}" known)
    if(match AND known EQUAL -1)
      list(APPEND dlls ${match})
      list(APPEND inputs ${match})
    elseif(NOT match)
      list(APPEND system_dlls ${name})
    endif()
  endforeach()
endwhile()
list(REMOVE_DUPLICATES dlls)
message(STATUS "Windows' own DLLs, not shipped: ${system_dlls}")
foreach(dll IN LISTS dlls)
  get_filename_component(name ${dll} NAME)
  file(INSTALL ${dll} DESTINATION ${DESTINATION})
  execute_process(COMMAND ${STRIP} --strip-unneeded ${DESTINATION}/${name} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
