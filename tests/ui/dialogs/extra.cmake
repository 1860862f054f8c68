set(area_extra "")

# The pictures of dialogs that the tests leave in this folder become PNG files a person can look at.
find_program(QEB_CONVERT NAMES convert)
if(QEB_CONVERT)
  add_test(NAME ui_dialogs_pictures
           COMMAND sh -c "${QEB_CONVERT} dialog_copy_options.bmp -scale 200% dialog_copy_options.png && ${QEB_CONVERT} dialog_expand.bmp -scale 200% dialog_expand.png"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(ui_dialogs_pictures PROPERTIES FIXTURES_REQUIRED ui_dialogs_pictures)
  cmake_language(DEFER CALL set_tests_properties ui_dialogs_tests PROPERTIES FIXTURES_SETUP ui_dialogs_pictures)
endif()


# The copying options are saved under the program's own settings key, which the program runs
# of app_program_tests also read and put back.
cmake_language(DEFER CALL set_tests_properties ui_dialogs_tests PROPERTIES RESOURCE_LOCK qeb_prefix_registry)
