# vantor_add_version_resource(TARGET DESCRIPTION): the program's icon and version information in
# TARGET's .exe, as Windows shows them in Explorer, the Start menu and Add/Remove Programs.
function(vantor_add_version_resource target description)
  set(VANTOR_RC_NAME ${target})
  set(VANTOR_RC_FILE ${target}.exe)
  set(VANTOR_RC_DESCRIPTION "${description}")
  set(VANTOR_RC_ICON "${PROJECT_SOURCE_DIR}/packaging/icons/vantor-pc.ico")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
