# The copyright notice and the changelog that every Debian package carries in
# /usr/share/doc/vantor-pc. debian/changelog gets an entry for each version released; the package
# test checks that its newest entry is the project's version.

find_program(GZIP_EXECUTABLE gzip REQUIRED)

set(VANTOR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vantor-pc)

configure_file(debian/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright DESTINATION ${VANTOR_DOC_DIR})

# Compressed as Debian asks: the most, and with no name or time stamp in the archive.
set(VANTOR_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${VANTOR_CHANGELOG}
  COMMAND ${GZIP_EXECUTABLE} -9nc ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog > ${VANTOR_CHANGELOG}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog
  COMMENT "Compressing the changelog")
add_custom_target(vantor-changelog ALL DEPENDS ${VANTOR_CHANGELOG})
install(FILES ${VANTOR_CHANGELOG} DESTINATION ${VANTOR_DOC_DIR})
