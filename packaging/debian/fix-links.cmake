# Run by CPack on the staged installation before it is packed: the package links to the
cmake_policy(SET CMP0009 NEW)
# system's Java 17 runtime and PostgreSQL JDBC driver (both declared dependencies) instead of
# whatever the build machine had, with relative links.
file(GLOB_RECURSE kv_program_dirs LIST_DIRECTORIES true
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/${CPACK_KOVENDI_PROGRAM_DIR}")
list(FILTER kv_program_dirs INCLUDE REGEX "/${CPACK_KOVENDI_PROGRAM_DIR}$")
if(NOT kv_program_dirs)
  message(FATAL_ERROR "no ${CPACK_KOVENDI_PROGRAM_DIR} in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(dir IN LISTS kv_program_dirs)
  file(REMOVE "${dir}/jre" "${dir}/lib/postgresql.jar")
  # Links within /usr are relative, as Debian wants them.
  file(RELATIVE_PATH jre "/usr/${CPACK_KOVENDI_PROGRAM_DIR}" "${CPACK_KOVENDI_JRE}")
  file(RELATIVE_PATH jdbc "/usr/${CPACK_KOVENDI_PROGRAM_DIR}/lib" "${CPACK_KOVENDI_JDBC_DRIVER}")
  file(CREATE_LINK "${jre}" "${dir}/jre" SYMBOLIC)
  file(MAKE_DIRECTORY "${dir}/lib")
  file(CREATE_LINK "${jdbc}" "${dir}/lib/postgresql.jar" SYMBOLIC)
endforeach()
