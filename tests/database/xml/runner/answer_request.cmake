# Answers one request through the request runner under Wine and compares the answer with its
# golden file. Wine sees the Unix root as drive Z:.
# Variables: WINE_EXEC, RUNNER, DATABASE, REQUEST, GOLDEN, ANSWER (Unix paths).
get_filename_component(answer_folder ${ANSWER} DIRECTORY)
file(MAKE_DIRECTORY ${answer_folder})
file(REMOVE ${ANSWER})
execute_process(COMMAND ${WINE_EXEC} ${RUNNER} Z:${DATABASE} Z:${REQUEST} Z:${ANSWER}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the request runner ended with ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${ANSWER} ${GOLDEN}
                RESULT_VARIABLE different)
if(different)
  file(READ ${ANSWER} answer_text)
  message(FATAL_ERROR "${ANSWER} differs from ${GOLDEN}:\n${answer_text}")
endif()
