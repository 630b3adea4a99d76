# The Windows package: "cpack" in the build tree makes kovendi-VERSION-windows-x64.zip and, where
# makensis is installed, the installer kovendi-VERSION-windows-x64.exe ("/S" installs silently,
# "/D=C:\\path" chooses the folder). Both hold one program folder:
#
#   kovendi.exe, kovedial.exe, kovendi-store.cmd      the programs
#   lib\kovendi.jar, lib\postgresql.jar                the Java client library and its driver
#   doc\kovendi.txt, kovedial.txt, kovendi-store.txt   the manual pages as text
#   README.md, copyright.txt, changelog.txt
#
# The Java runtime is not in it: a JDK or JRE put in the folder as jre\ (jre\bin\server\jvm.dll),
# or the one JAVA_HOME or the registry names, is used.
set(kv_windows_docs)
foreach(page kovendi kovedial kovendi-store)
  set(output ${CMAKE_BINARY_DIR}/windows-doc/${page}.txt)
  # Formatted by the build machine's man, without highlighting, with the line ends of Windows.
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/windows-doc
    COMMAND sh -c "MANWIDTH=80 MAN_KEEP_FORMATTING= man --no-hyphenation --no-justification -l \"$0\" 2>/dev/null | col -bx | sed 's/$/\\r/' > \"$1\"" ${CMAKE_SOURCE_DIR}/doc/man/${page}.1 ${output}
    DEPENDS ${CMAKE_SOURCE_DIR}/doc/man/${page}.1
    COMMENT "manual page ${page} as text" VERBATIM)
  list(APPEND kv_windows_docs ${output})
endforeach()
add_custom_target(kovendi_windows_docs ALL DEPENDS ${kv_windows_docs})
install(FILES ${kv_windows_docs} DESTINATION doc)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../debian/copyright DESTINATION . RENAME copyright.txt)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../debian/changelog DESTINATION . RENAME changelog.txt)

set(CPACK_GENERATOR ZIP)
find_program(KOVENDI_MAKENSIS makensis)
if(KOVENDI_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
endif()
set(CPACK_PACKAGE_NAME kovendi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the kovendi developers")
set(CPACK_PACKAGE_FILE_NAME kovendi-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
# A 64-bit installer (the programs are 64-bit) into "Program Files\kovendi", with an uninstaller;
# the PATH is left alone: the business application starts the programs by their full name.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY kovendi)
set(CPACK_NSIS_PACKAGE_NAME "kovendi ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "kovendi ${PROJECT_VERSION}")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
include(CPack)

# The package made from this build, unpacked and its programs run under Wine.
if(KOVENDI_BUILD_TESTS)
  add_test(NAME package_windows
           COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/package_windows_test.sh ${CMAKE_BINARY_DIR}
                   ${CMAKE_CPACK_COMMAND} ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(package_windows PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL ON)
endif()
