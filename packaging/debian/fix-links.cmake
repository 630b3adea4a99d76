# Run by CPack on the staged installation before it is packed: the package links to the
cmake_policy(SET CMP0009 NEW)
# system's Java 17 runtime and PostgreSQL JDBC driver (both declared dependencies) instead of
# whatever the build machine had.
file(GLOB_RECURSE kv_program_dirs LIST_DIRECTORIES true
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/${CPACK_KOVENDI_PROGRAM_DIR}")
list(FILTER kv_program_dirs INCLUDE REGEX "/${CPACK_KOVENDI_PROGRAM_DIR}$")
if(NOT kv_program_dirs)
  message(FATAL_ERROR "no ${CPACK_KOVENDI_PROGRAM_DIR} in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(dir IN LISTS kv_program_dirs)
  file(REMOVE "${dir}/jre" "${dir}/lib/postgresql.jar")
  file(CREATE_LINK "${CPACK_KOVENDI_JRE}" "${dir}/jre" SYMBOLIC)
  file(MAKE_DIRECTORY "${dir}/lib")
  file(CREATE_LINK "${CPACK_KOVENDI_JDBC_DRIVER}" "${dir}/lib/postgresql.jar" SYMBOLIC)
endforeach()
