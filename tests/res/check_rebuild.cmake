# check_rebuild.cmake - builds every payload executable again into a fresh folder with the
# same command and requires identical bytes: the build leaves nothing that varies.
# -D CC=<compiler> SOURCE_DIR=<res/payload> WORK_DIR=<scratch> EXES=<program:winsock:path;...>
if(NOT EXES)
  message(FATAL_ERROR "check_rebuild.cmake: expected a list of payload executables, found none")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
foreach(entry ${EXES})
  string(REPLACE ":" ";" fields "${entry}")
  list(GET fields 0 program)
  list(GET fields 1 winsock)
  list(GET fields 2 built)
  get_filename_component(name "${built}" NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -DCC=${CC} -DPROGRAM=${program} -DWINSOCK=${winsock}
                          -DSOURCE_DIR=${SOURCE_DIR} -DOUT=${WORK_DIR}/${name} -P ${SOURCE_DIR}/mingw_exe.cmake
                  WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "${name}: expected the rebuild to succeed, found exit status ${rc}")
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${built}" "${WORK_DIR}/${name}" RESULT_VARIABLE differ)
  if(differ)
    message(SEND_ERROR "${built}: expected the same bytes as a rebuild, found a difference")
  else()
    message(STATUS "${name}: rebuild identical")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
