# Writes the header of a rows file and compares it with the header expected of it.
#   cmake -DROWS=x.rows -DEXPECTED=x.h -DHEADER=out.h -P check-good.cmake
include("${CMAKE_CURRENT_LIST_DIR}/../../resources/rows.cmake")
file(REMOVE "${HEADER}")
nx_write_rows_header("${ROWS}" "${HEADER}")
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${HEADER}" "${EXPECTED}" RESULT_VARIABLE differ)
if(differ)
  file(READ "${HEADER}" written)
  message(FATAL_ERROR "the header differs from ${EXPECTED}:\n${written}")
endif()
message(STATUS "header as expected")
