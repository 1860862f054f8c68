# The oracle recomputes what the Wine test wrote with the Python standard library alone.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME analysis_time_tfunc_oracle
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/tfunc_oracle.py
                   ${QEB_SOURCE_DIR}/tests/analysis/time/data/tfunc_cases.txt
                   ${CMAKE_CURRENT_BINARY_DIR}/tfunc_cases.tsv)
  set_tests_properties(analysis_time_tfunc_oracle PROPERTIES FIXTURES_REQUIRED tfunc_cases)
  cmake_language(DEFER CALL set_tests_properties analysis_time_tfunc_tests PROPERTIES FIXTURES_SETUP tfunc_cases)
endif()
