# vantor-cli's manual page, made from its own --help and --version at build time, so that the page
# and the program never disagree. help2man (Debian package help2man) does the conversion; without
# it the build goes on and the page is left out. The sanitizer build, which nobody installs from,
# leaves it out too.

if(VANTOR_SANITIZE)
  return()
endif()

find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)

if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE)
  message(WARNING "help2man or gzip not found: vantor-cli's manual page is not built "
                  "(Debian packages help2man and gzip).")
  return()
endif()

set(VANTOR_CLI_PAGE ${CMAKE_CURRENT_BINARY_DIR}/vantor-cli.1)
add_custom_command(
  OUTPUT ${VANTOR_CLI_PAGE}.gz
  COMMAND ${HELP2MAN_EXECUTABLE} --no-info --section=1
          "--name=command-line companion of the Vantor PC Program"
          --include=${CMAKE_CURRENT_SOURCE_DIR}/vantor-cli.h2m
          --output=${VANTOR_CLI_PAGE}
          $<TARGET_FILE:vantor-cli>
  # -n: no file name or time stamp in the archive, so that equal pages give equal files.
  COMMAND ${GZIP_EXECUTABLE} -9nf ${VANTOR_CLI_PAGE}
  DEPENDS vantor-cli ${CMAKE_CURRENT_SOURCE_DIR}/vantor-cli.h2m
  COMMENT "Generating vantor-cli's manual page"
  VERBATIM)
add_custom_target(vantor-cli-manpage ALL DEPENDS ${VANTOR_CLI_PAGE}.gz)
install(FILES ${VANTOR_CLI_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
