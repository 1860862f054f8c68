set(area_extra "")

# The picture of the template questions that the tests leave in this folder becomes a PNG file a
# person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  set(sheet templatesections_questions)
  add_test(NAME database_templatesections_pictures
           COMMAND sh -c "${QEB_CONVERT} ${sheet}.bmp -scale 200% ${sheet}.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(database_templatesections_pictures
                       PROPERTIES FIXTURES_REQUIRED database_templatesections_pictures)
  cmake_language(DEFER CALL set_tests_properties database_templatesections_tests
                 PROPERTIES FIXTURES_SETUP database_templatesections_pictures)
endif()
