# Run by CPack on the staged files: CPack strips the program's symbols but
# leaves the compiler's notes, which a package has no use for.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/handfolio")
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_HANDFOLIO_STRIP} --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not strip the notes from ${program}")
  endif()
endforeach()
