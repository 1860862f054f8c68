# The example database's builder: the test regenerates the committed files and compares them.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
