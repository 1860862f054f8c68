# The cards window on the example database, built by the example's own builder. Its exports go
# to the output check, and the contact sheet it leaves in this folder becomes a PNG file a person
# can look at.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
cmake_language(DEFER CALL set_tests_properties analysis_cards_sheet_tests
               PROPERTIES FIXTURES_SETUP "cards_sheet;test_output")
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_cards_contact_sheet
           COMMAND sh -c "${QEB_CONVERT} cards_sheet.bmp cards_sheet.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_cards_contact_sheet PROPERTIES FIXTURES_REQUIRED cards_sheet)
endif()
