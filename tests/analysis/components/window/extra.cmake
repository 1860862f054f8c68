# The window's pictures and the independent totals use the example database, built by its own
# builder.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)

# The totals the window exports are recomputed with sqlite3 from the example's TSV alone; the
# window test leaves both in the output folder.
find_program(QEB_PYTHON3 NAMES python3)
if(QEB_PYTHON3)
  add_test(NAME analysis_components_independent_totals
           COMMAND ${QEB_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/check_totals.py
                   ${QEB_TEST_OUTPUT_DIR}/analysis_components)
  set_tests_properties(analysis_components_independent_totals PROPERTIES FIXTURES_REQUIRED
                       components_totals)
endif()
cmake_language(DEFER CALL set_property TEST analysis_components_window_tests APPEND PROPERTY
               FIXTURES_SETUP components_totals test_output)
