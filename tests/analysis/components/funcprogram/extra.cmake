# The program itself is started: the process helpers of the application tests, the path of
# qeb.exe, and the prefix registry held while it runs (the program reads and writes it).
set(area_extra ${QEB_SOURCE_DIR}/tests/app/program_process.cpp)
cmake_language(DEFER CALL target_compile_definitions analysis_components_funcprogram_tests
               PRIVATE "QEB_PROGRAM_PATH=\"$<TARGET_FILE:qeb>\"")
cmake_language(DEFER CALL add_dependencies analysis_components_funcprogram_tests qeb)
cmake_language(DEFER CALL set_tests_properties analysis_components_funcprogram_tests PROPERTIES
               RESOURCE_LOCK qeb_prefix_registry)
