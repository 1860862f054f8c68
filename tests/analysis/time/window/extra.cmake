# The window's pictures show the example database, built by its own builder.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)

# The contact sheet the test leaves in this folder becomes a PNG file a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_time_contact_sheet
           COMMAND sh -c "${QEB_CONVERT} lines_sheet.bmp lines_sheet.png && ${QEB_CONVERT} lines_distribution.bmp lines_distribution.png && ${QEB_CONVERT} tfunc_sheet.bmp tfunc_sheet.png && ${QEB_CONVERT} tfunc_example.bmp tfunc_example.png && ${QEB_CONVERT} tfunc_example_diagram.bmp tfunc_example_diagram.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_time_contact_sheet PROPERTIES FIXTURES_REQUIRED lines_sheet)
  cmake_language(DEFER CALL set_tests_properties analysis_time_window_tests PROPERTIES FIXTURES_SETUP lines_sheet)
endif()

# The output test leaves its HTML and XML for the output check (tests/CMakeLists.txt).
cmake_language(DEFER CALL set_property TEST analysis_time_window_tests APPEND PROPERTY FIXTURES_SETUP test_output)

# The time functions window reads the clipboard whenever it updates its commands (Paste is enabled
# only for copied variables), which would take the clipboard from the transfer tests.
cmake_language(DEFER CALL set_property TEST analysis_time_window_tests APPEND PROPERTY RESOURCE_LOCK clipboard)
