# Files of one operating system: *_posix.cc and *_posix_test.cc, or *_win32.cc and
# *_win32_test.cc; kv_other_platform_files(LIST) removes those of the other system from LIST.
function(kv_other_platform_files list)
  if(WIN32)
    list(FILTER ${list} EXCLUDE REGEX "_posix(_test)?\\.cc$")
  else()
    list(FILTER ${list} EXCLUDE REGEX "_win32(_test)?\\.cc$")
  endif()
  set(${list} ${${list}} PARENT_SCOPE)
endfunction()

# kv_library(NAME DIR [LIBS ...]): a static library from every *.cc of DIR that is neither a
# unit test (*_test.cc), a test double (testing/), nor a program entry (main.cc).
function(kv_library name)
  cmake_parse_arguments(KV "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  list(FILTER sources EXCLUDE REGEX "_test\\.cc$")
  list(FILTER sources EXCLUDE REGEX "/main\\.cc$")
  kv_other_platform_files(sources)
  foreach(pattern IN LISTS KV_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    if(KV_LIBS)
      target_link_libraries(${name} PUBLIC ${KV_LIBS})
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    if(KV_LIBS)
      target_link_libraries(${name} INTERFACE ${KV_LIBS})
    endif()
  endif()
endfunction()

# kv_register_tests(NAME): registers the GoogleTest program NAME with CTest, one test per case.
# A cross-built program cannot be listed at build time: it is registered whole and runs through
# the emulator (Wine) from the build directory; it finds the programs beside its own folder.
function(kv_register_tests name)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  else()
    gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "KOVENDI_BIN_DIR=${KOVENDI_BIN_DIR}")
  endif()
endfunction()

# kv_unit_tests(NAME [LIBS ...] [POSIX_ONLY files ...]): one GoogleTest binary from every
# *_test.cc of the current directory, registered with CTest. Tests run in the build directory's
# bin/ so that they find the programs and jars beside them. POSIX_ONLY names tests that need
# POSIX facilities (fork, signals, permission bits) and are left out of a Windows build.
function(kv_unit_tests name)
  if(NOT KOVENDI_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(KV "" "" "LIBS;EXTRA_SOURCES;POSIX_ONLY" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cc)
  kv_other_platform_files(tests)
  if(WIN32)
    foreach(file IN LISTS KV_POSIX_ONLY)
      list(REMOVE_ITEM tests ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endforeach()
  endif()
  if(NOT tests)
    return()
  endif()
  add_executable(${name} ${tests} ${KV_EXTRA_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  target_link_libraries(${name} PRIVATE ${KV_LIBS} GTest::gtest GTest::gtest_main)
  kv_register_tests(${name})
endfunction()
