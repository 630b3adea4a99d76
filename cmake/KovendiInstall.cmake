# Installed layout, the same for "cmake --install" and the Debian package:
#
#   <prefix>/lib/kovendi/kovendi, kovedial, kovendi-store   the program directory
#   <prefix>/lib/kovendi/lib/kovendi.jar                    link to the Java client library in
#   <prefix>/share/kovendi/kovendi.jar                      (architecture-independent files)
#   <prefix>/lib/kovendi/jre                                link to the Java runtime
#   <prefix>/bin/kovendi, kovedial, kovendi-store           links into the program directory
#   <prefix>/share/man/man1/*.1.gz, man5/*.5.gz             manual pages
#   <prefix>/share/doc/kovendi/copyright, changelog.gz, README.md, examples/
#
# The programs find their directory through /proc/self/exe (kovendi-store through readlink -f),
# so the links in bin/ lead them to the program directory with its jars and runtime.
set(KOVENDI_INSTALL_PROGRAM_DIR lib/kovendi)
set(KOVENDI_INSTALL_JAR_DIR ${KOVENDI_INSTALL_PROGRAM_DIR}/lib)
set(KOVENDI_INSTALL_SHARE_DIR share/kovendi)
set(KOVENDI_INSTALL_DOC_DIR share/doc/kovendi)
set(KOVENDI_COMMANDS kovendi kovedial kovendi-store)

# kv_install_command_links(): relative links <prefix>/bin/NAME -> ../lib/kovendi/NAME.
function(kv_install_command_links)
  set(code "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")\n")
  foreach(command IN LISTS KOVENDI_COMMANDS)
    string(APPEND code "file(REMOVE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${command}\")\n"
           "file(CREATE_LINK \"../${KOVENDI_INSTALL_PROGRAM_DIR}/${command}\" "
           "\"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${command}\" SYMBOLIC)\n")
  endforeach()
  install(CODE "${code}")
endfunction()
