set(area_extra "")

# The pictures the link tests leave in this folder become PNG files a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME database_links_pictures
           COMMAND sh -c "${QEB_CONVERT} link_dialog_card.bmp -scale 200% link_dialog_card.png && ${QEB_CONVERT} link_note.bmp -scale 200% link_note.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(database_links_pictures PROPERTIES FIXTURES_REQUIRED database_links_pictures)
  cmake_language(DEFER CALL set_tests_properties database_links_tests PROPERTIES FIXTURES_SETUP database_links_pictures)
endif()
