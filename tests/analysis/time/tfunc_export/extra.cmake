# The XML and HTML the tests write are left for the output check (tests/CMakeLists.txt).
cmake_language(DEFER CALL set_property TEST analysis_time_tfunc_export_tests APPEND PROPERTY FIXTURES_SETUP test_output)
