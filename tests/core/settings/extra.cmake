# A bitmap for the bitmap cache, and the program's texts for the separator names.
set(area_extra ${CMAKE_CURRENT_LIST_DIR}/test_resources.rc)
