# The window's pictures show the example database, built by its own builder.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
