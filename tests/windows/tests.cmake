# Black-box tests of the Windows build, run under Wine (scripts/test-windows.sh): the programs
# of bin/ in fresh temporary directories, as on Linux, plus what only Windows has (the window
# found by its class, the Java runtime's jvm.dll, the Remote Access Service). The tests of
# tests/ that need no message store are built as they are; the others need a Java runtime.

# A stand-in jvm.dll that the tests put where the programs look for the runtime.
add_library(kv_fake_jvm SHARED ${CMAKE_CURRENT_SOURCE_DIR}/windows/fake_jvm.cc)
set_target_properties(kv_fake_jvm PROPERTIES OUTPUT_NAME jvm PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin/fake-jvm)
target_include_directories(kv_fake_jvm PRIVATE ${CMAKE_SOURCE_DIR}/platform/jni_win32
                                               ${KOVENDI_JDK_DIR}/include)

file(GLOB kv_windows_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/windows/*_test.cc)
add_executable(kv_blackbox_tests
               ${kv_windows_tests}
               ${CMAKE_CURRENT_SOURCE_DIR}/appfiles_local_modes_test.cc
               ${CMAKE_CURRENT_SOURCE_DIR}/startup_command_line_test.cc
               ${CMAKE_CURRENT_SOURCE_DIR}/kovedial_test.cc
               ${CMAKE_CURRENT_SOURCE_DIR}/windows/blackbox_win32.cc
               ${CMAKE_CURRENT_SOURCE_DIR}/windows/windows_support.cc)
set_target_properties(kv_blackbox_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
target_include_directories(kv_blackbox_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(kv_blackbox_tests PRIVATE kv_platform_testing GTest::gtest GTest::gtest_main)
add_dependencies(kv_blackbox_tests kovendi kovedial kv_fake_jvm)
# One at a time: a start of kovendi refuses to run while another run's window exists.
add_test(NAME kv_blackbox_tests COMMAND kv_blackbox_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
# kovedial takes four seconds a run (its timer and its closing wait): of its tests, the dial with
# its hang-up and Escape during a dial run here; the others test the same form as on Linux.
# Many program starts under Wine: minutes on a quiet machine, many more on a busy one.
set_tests_properties(kv_blackbox_tests PROPERTIES RUN_SERIAL ON TIMEOUT 2400 ENVIRONMENT
    "GTEST_FILTER=-Kovedial.UnrecognisedCommandLine*:Kovedial.RefusedDials:Kovedial.UnattendedFailures*:Kovedial.HangUpWithoutConnection*")
