# The contact sheet the test leaves in this folder becomes a PNG file a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_cards_editor_contact_sheet
           COMMAND sh -c "${QEB_CONVERT} card_editor_sheet.bmp card_editor_sheet.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_cards_editor_contact_sheet PROPERTIES FIXTURES_REQUIRED card_editor_sheet)
  cmake_language(DEFER CALL set_tests_properties analysis_cards_card_editor_sheet_tests PROPERTIES FIXTURES_SETUP card_editor_sheet)
endif()
