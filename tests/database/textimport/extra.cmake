# The import setups' stand-in row reader sits above the engine; its sources join this area's
# test program (the engine's libraries are linked as for every area).
file(GLOB area_extra CONFIGURE_DEPENDS ${QEB_SOURCE_DIR}/import/*.cpp)
