# A bitmap for the bitmap cache, and the program's texts for the separator names.
set(area_extra ${CMAKE_CURRENT_LIST_DIR}/test_resources.rc)

# The settings tests write the program's own settings key, which the program runs of
# app_program_tests also read and put back.
cmake_language(DEFER CALL set_tests_properties core_settings_tests PROPERTIES RESOURCE_LOCK qeb_prefix_registry)
