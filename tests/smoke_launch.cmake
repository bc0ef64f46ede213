# Starts Vorlet for a few seconds in a fresh folder with the default database.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
execute_process(COMMAND ${MAKEDB} ${CALLS} ${WORKDIR}/Call_List.db RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "could not build the default database (${made})")
endif()
execute_process(COMMAND timeout 6 ${VORLET}
  WORKING_DIRECTORY ${WORKDIR} RESULT_VARIABLE rc ERROR_VARIABLE err)
# timeout's 124 means Vorlet was still running when it was stopped.
if(NOT rc EQUAL 124)
  message(FATAL_ERROR "Vorlet ended early with ${rc}: ${err}")
endif()
