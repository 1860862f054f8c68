# The window tests copy and paste variables through the clipboard.
cmake_language(DEFER CALL set_tests_properties analysis_components_cfunc_tests PROPERTIES
               RESOURCE_LOCK clipboard)
