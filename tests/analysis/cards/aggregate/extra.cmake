set(area_extra ${CMAKE_CURRENT_SOURCE_DIR}/operations_services.cpp)
