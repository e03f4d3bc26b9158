# mingw_exe.cmake - compiles one build of one of the product's programs.
# -D CC=<i686 MinGW gcc> PROGRAM=<qelt|tessmorw> WINSOCK=<1|2> SOURCE_DIR=<res/payload> OUT=<exe>
# The one place that holds the compiler flags: the build and the reproducibility test
# both run this script, so they compile with exactly the same command.
set(winsock_library_1 wsock32)
set(winsock_library_2 ws2_32)
if(NOT DEFINED winsock_library_${WINSOCK})
  message(FATAL_ERROR "mingw_exe.cmake: expected WINSOCK 1 or 2, found '${WINSOCK}'")
endif()
# No time stamp, no build id, no symbols, no source paths: the same sources give the same bytes.
execute_process(
  COMMAND ${CC} -std=c99 -Os -Wall -Wextra -Werror -mwindows -s
          -Wl,--no-insert-timestamp -Wl,--build-id=none -ffile-prefix-map=${SOURCE_DIR}=.
          -DQELT_WINSOCK=${WINSOCK} -I${SOURCE_DIR}
          ${SOURCE_DIR}/${PROGRAM}.c ${SOURCE_DIR}/qlt_server_file.c ${SOURCE_DIR}/qlt_servers.c
          -o ${OUT} -l${winsock_library_${WINSOCK}}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "mingw_exe.cmake: ${OUT}: expected the compiler to succeed, found exit status ${result}")
endif()
