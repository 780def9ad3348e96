# Run by cpack once the package's files are staged: strips the programs as Debian's own
# packages are stripped, without the symbols and without the compiler's notes.
file(GLOB programs ${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*)
foreach(program IN LISTS programs)
  if(NOT IS_SYMLINK ${program})
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
