# GoogleTest for both builds: Debian's packaged library natively, its sources cross-built for Windows.

if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(ZELMO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  add_subdirectory(${ZELMO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

set(ZELMO_TEST_RESULTS "${CMAKE_BINARY_DIR}/test-results")
file(MAKE_DIRECTORY "${ZELMO_TEST_RESULTS}")

# zelmo_add_gtest(NAME <name> SOURCES <files...> [LIBS <libs...>] [NO_MAIN] [LABELS <labels...>]
#                 [TIMEOUT <seconds>])
# One test program, registered with ctest as one test that writes its results as XML so that the
# test command can count the individual cases.
function(zelmo_add_gtest)
  cmake_parse_arguments(T "NO_MAIN;WIN32_APP" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  zelmo_target_defaults(${T_NAME})
  if(T_NO_MAIN)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gmock ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main GTest::gmock ${T_LIBS})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_output=xml:${ZELMO_TEST_RESULTS}/${T_NAME}.xml)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
