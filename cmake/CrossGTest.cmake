# GoogleTest for a cross build: the distribution ships its sources (libgtest-dev puts them in
# /usr/src/googletest), which are compiled here with the target's compiler.
set(KOVENDI_GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${KOVENDI_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${KOVENDI_GTEST_SOURCE_DIR} (libgtest-dev)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KOVENDI_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to this project's warning options.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
foreach(library gtest gtest_main)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()
