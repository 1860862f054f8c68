# The transform and aggregate dialogs on the example database, built by the example's own
# builder; the contact sheet the test leaves in this folder becomes a PNG file a person can look at.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_cards_operations_contact_sheet
           COMMAND sh -c "${QEB_CONVERT} operations_sheet.bmp operations_sheet.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_cards_operations_contact_sheet
                       PROPERTIES FIXTURES_REQUIRED operations_sheet)
  cmake_language(DEFER CALL set_tests_properties analysis_cards_operations_sheet_tests
                 PROPERTIES FIXTURES_SETUP operations_sheet)
endif()
