# The program's English string tables, fixture tables of two other languages compiled by the
# same tool, and hand-made damaged tables.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(alert_fixture_sources ${CMAKE_CURRENT_LIST_DIR}/strings/da.txt ${CMAKE_CURRENT_LIST_DIR}/strings/sv.txt)
set(alert_fixture_rc ${CMAKE_CURRENT_BINARY_DIR}/alert_fixture_tables/fixture_tables.rc)
add_custom_command(
  OUTPUT ${alert_fixture_rc}
  COMMAND Python3::Interpreter ${QEB_SOURCE_DIR}/tools/make_string_tables.py ${alert_fixture_rc}
          ${alert_fixture_sources}
  DEPENDS ${alert_fixture_sources} ${QEB_SOURCE_DIR}/tools/make_string_tables.py
  VERBATIM)
set(area_extra ${alert_fixture_rc} ${CMAKE_CURRENT_LIST_DIR}/damaged_tables.rc)
# The program's own Danish and Swedish tables would stand on the fixtures' resource ids.
set(area_string_tables ${QEB_ENGLISH_TABLES})
