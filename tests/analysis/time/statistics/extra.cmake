# The oracle recomputes what the Wine test wrote with the Python standard library alone.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME analysis_time_statistics_oracle
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/statistics_oracle.py
                   ${QEB_SOURCE_DIR}/tests/analysis/time/data/statistics_cases.txt
                   ${CMAKE_CURRENT_BINARY_DIR}/lines_statistics.tsv)
  set_tests_properties(analysis_time_statistics_oracle PROPERTIES FIXTURES_REQUIRED lines_statistics)
  cmake_language(DEFER CALL set_tests_properties analysis_time_statistics_tests PROPERTIES FIXTURES_SETUP lines_statistics)
endif()
