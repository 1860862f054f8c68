set(area_extra "")

# The contact sheet of the function choosers becomes a PNG file a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME analysis_components_functmpl_pictures
           COMMAND sh -c "${QEB_CONVERT} function_choosers.bmp -scale 200% function_choosers.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(analysis_components_functmpl_pictures PROPERTIES
                       FIXTURES_REQUIRED functmpl_pictures)
  cmake_language(DEFER CALL set_tests_properties analysis_components_functmpl_tests PROPERTIES
                 FIXTURES_SETUP functmpl_pictures)
endif()
