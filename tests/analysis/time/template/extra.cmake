# The example database's builder, to read its lines template with the real class.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
