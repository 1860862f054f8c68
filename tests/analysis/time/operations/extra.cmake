# The run stamp of the transform and aggregation fixture.
set(area_extra ${QEB_SOURCE_DIR}/tests/analysis/cards/operations_services.cpp)
