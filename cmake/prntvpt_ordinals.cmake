# An import library that binds the Print Ticket API functions to prntvpt.dll by ordinal, not by
# name. Link `prntvpt_ordinals` in place of `prntvpt`.
find_program(BRIMLOFT_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
set(PRNTVPT_ORDINALS_LIB ${CMAKE_BINARY_DIR}/libprntvpt_ordinals.a)
add_custom_command(
  OUTPUT ${PRNTVPT_ORDINALS_LIB}
  COMMAND ${BRIMLOFT_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/cmake/prntvpt_ordinals.def -l ${PRNTVPT_ORDINALS_LIB}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/prntvpt_ordinals.def
  VERBATIM)
add_custom_target(prntvpt_ordinals_lib DEPENDS ${PRNTVPT_ORDINALS_LIB})
add_library(prntvpt_ordinals STATIC IMPORTED GLOBAL)
set_target_properties(prntvpt_ordinals PROPERTIES IMPORTED_LOCATION ${PRNTVPT_ORDINALS_LIB})
add_dependencies(prntvpt_ordinals prntvpt_ordinals_lib)
