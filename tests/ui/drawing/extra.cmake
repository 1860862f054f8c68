
set(area_extra "")

# The contact sheets that the tests leave in this folder become PNG files a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME ui_drawing_contact_sheets
           COMMAND sh -c "${QEB_CONVERT} drawing_pictures.bmp -scale 200% drawing_pictures.png && ${QEB_CONVERT} drawing_looks.bmp -scale 200% drawing_looks.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(ui_drawing_contact_sheets PROPERTIES FIXTURES_REQUIRED ui_drawing_sheets)
  cmake_language(DEFER CALL set_tests_properties ui_drawing_tests PROPERTIES FIXTURES_SETUP ui_drawing_sheets)
endif()

# The clipboard is one for every program on the display: tests that use it must not overlap.
cmake_language(DEFER CALL set_tests_properties ui_drawing_tests PROPERTIES RESOURCE_LOCK clipboard)
