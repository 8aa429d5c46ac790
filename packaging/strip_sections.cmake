# Run by CPack on the staged files before it packs them: CPACK_STRIP_FILES
# strips as plain strip does, which keeps the compiler's .comment and .note
# sections; dh_strip removes them too.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46") # ELF
    execute_process(COMMAND "${CPACK_PRE_BUILD_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
