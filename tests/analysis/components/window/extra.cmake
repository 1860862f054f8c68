# The window's pictures and the independent totals use the example database, built by its own
# builder.
set(area_extra ${QEB_SOURCE_DIR}/tools/make_example/example_database.cpp)
