# The contact sheet the test leaves in this folder becomes a PNG file a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_time_tfunc_diagram_sheet
           COMMAND ${QEB_CONVERT} tfunc_diagram_sheet.bmp tfunc_diagram_sheet.png
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_time_tfunc_diagram_sheet PROPERTIES FIXTURES_REQUIRED tfunc_diagram_sheet)
  cmake_language(DEFER CALL set_tests_properties analysis_time_tfunc_diagram_tests PROPERTIES FIXTURES_SETUP tfunc_diagram_sheet)
endif()
