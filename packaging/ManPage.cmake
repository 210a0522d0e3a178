# The manual pages of vantor-pc and vantor-cli, made from the programs' own --help and --version at
# build time, so that a page and its program never disagree; the .h2m file beside each adds what
# --help does not say (files, notes). help2man (Debian package help2man) does the conversion;
# without it the build goes on and the pages are left out. The sanitizer build, which nobody
# installs from, leaves them out too.

if(VANTOR_SANITIZE)
  return()
endif()

find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)

if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE)
  message(WARNING "help2man or gzip not found: the manual pages are not built "
                  "(Debian packages help2man and gzip).")
  return()
endif()

# vantor_manual_page(TARGET NAME): TARGET's page in section 1, with NAME as its one-line summary.
function(vantor_manual_page target name)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${HELP2MAN_EXECUTABLE} --no-info --section=1 "--name=${name}"
            --include=${CMAKE_CURRENT_SOURCE_DIR}/${target}.h2m
            --output=${page}
            $<TARGET_FILE:${target}>
    # -n: no file name or time stamp in the archive, so that equal pages give equal files.
    COMMAND ${GZIP_EXECUTABLE} -9nf ${page}
    DEPENDS ${target} ${CMAKE_CURRENT_SOURCE_DIR}/${target}.h2m
    COMMENT "Generating ${target}'s manual page"
    VERBATIM)
  add_custom_target(${target}-manpage ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

vantor_manual_page(vantor-pc "update a Vantor postal scale over a serial cable")
vantor_manual_page(vantor-cli "command-line companion of the Vantor PC Program")
