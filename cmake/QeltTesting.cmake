# qelt_test(NAME SOURCES... [LIBS libs...]): one GoogleTest binary, its cases
# registered with CTest. Tests run with the source and build folders known.
function(qelt_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    QELT_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QELT_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QELT_SOURCE_DIR=${CMAKE_SOURCE_DIR};QELT_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
