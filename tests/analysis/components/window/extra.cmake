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

# The contact sheet the test leaves in this folder becomes a PNG file a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_components_contact_sheet
           COMMAND sh -c "${QEB_CONVERT} components_window.bmp components_window.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_components_contact_sheet PROPERTIES FIXTURES_REQUIRED
                       components_sheet)
  cmake_language(DEFER CALL set_property TEST analysis_components_window_tests APPEND PROPERTY
                 FIXTURES_SETUP components_sheet)
endif()
