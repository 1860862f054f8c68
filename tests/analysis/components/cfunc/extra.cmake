# The window tests copy and paste variables through the clipboard.
cmake_language(DEFER CALL set_tests_properties analysis_components_cfunc_tests PROPERTIES
               RESOURCE_LOCK clipboard)

# The example's exported cells are recomputed with sqlite3 from the example's TSV alone; the
# totals test leaves both in the output folder. The example database comes from its own builder.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
find_program(QEB_PYTHON3 NAMES python3)
if(QEB_PYTHON3)
  add_test(NAME analysis_components_cfunc_independent_totals
           COMMAND ${QEB_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/check_cfunc_totals.py
                   ${QEB_TEST_OUTPUT_DIR}/analysis_components_cfunc)
  set_tests_properties(analysis_components_cfunc_independent_totals PROPERTIES
                       FIXTURES_REQUIRED cfunc_totals)
endif()
cmake_language(DEFER CALL set_property TEST analysis_components_cfunc_tests APPEND PROPERTY
               FIXTURES_SETUP cfunc_totals test_output)

# The contact sheet the test leaves in this folder becomes a PNG file a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_components_cfunc_contact_sheet
           COMMAND sh -c "${QEB_CONVERT} component_functions.bmp component_functions.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_components_cfunc_contact_sheet PROPERTIES FIXTURES_REQUIRED
                       cfunc_sheet)
  cmake_language(DEFER CALL set_property TEST analysis_components_cfunc_tests APPEND PROPERTY
                 FIXTURES_SETUP cfunc_sheet)
endif()
