# kv_library(NAME DIR [LIBS ...]): a static library from every *.cc of DIR that is neither a
# unit test (*_test.cc), a test double (testing/), nor a program entry (main.cc).
function(kv_library name)
  cmake_parse_arguments(KV "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  list(FILTER sources EXCLUDE REGEX "_test\\.cc$")
  list(FILTER sources EXCLUDE REGEX "/main\\.cc$")
  foreach(pattern IN LISTS KV_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  if(KV_LIBS)
    target_link_libraries(${name} PUBLIC ${KV_LIBS})
  endif()
endfunction()

# kv_unit_tests(NAME [LIBS ...]): one GoogleTest binary from every *_test.cc of the current
# directory, registered with CTest. Tests run in the build directory's bin/ so that they find
# the programs and jars beside them.
function(kv_unit_tests name)
  if(NOT KOVENDI_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(KV "" "" "LIBS;EXTRA_SOURCES" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cc)
  if(NOT tests)
    return()
  endif()
  add_executable(${name} ${tests} ${KV_EXTRA_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  target_link_libraries(${name} PRIVATE ${KV_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "KOVENDI_BIN_DIR=${KOVENDI_BIN_DIR}")
endfunction()
