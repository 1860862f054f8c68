set(area_extra "")

# The clipboard is one for every program on the display: tests that use it must not overlap.
cmake_language(DEFER CALL set_tests_properties ui_busy_tests PROPERTIES RESOURCE_LOCK clipboard)
