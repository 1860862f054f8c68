# The independent SIE reader compares each fixture with the program's export of it: the export
# the SIE tests keep as their golden file (every dimension numbered), and the one the real
# program writes with "save x.si -FS" (accounts only).
set(sie_data ${CMAKE_CURRENT_SOURCE_DIR}/sie/data)
add_test(NAME database_sie_reader_full
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/sie/sie_reader.py ${sie_data}/bolag.se
                 ${sie_data}/bolag.export.si --objects)
add_test(NAME database_sie_reader_iso
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/sie/sie_reader.py ${sie_data}/iso.se
                 ${sie_data}/iso.export.si --objects)
add_test(NAME database_sie_reader_program
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/sie/sie_reader.py ${sie_data}/bolag.se
                 ${QEB_SOURCE_DIR}/tests/app/data/sie/x.golden.si)
