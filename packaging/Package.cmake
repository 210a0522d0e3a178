# The packages: `cpack` in a build folder makes vantor-pc_<version>_<arch>.deb on Linux and an NSIS
# installer on Windows. Only what a user needs goes in: vantor-pc, vantor-cli and the files above;
# the simulator and the stand-in server are installed only on request (component Development).

set(VANTOR_PACKAGE_MAINTAINER "Vantor USA <support@vantorusa.com>"
    CACHE STRING "The packages' maintainer, \"Name <address>\"")

set(CPACK_PACKAGE_NAME vantor-pc)
set(CPACK_PACKAGE_VENDOR "Vantor USA")
set(CPACK_PACKAGE_CONTACT "${VANTOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vantor PC Program: updates a Vantor postal scale over a serial cable")
# Wrapped by hand: the .deb's long description keeps its lines as written.
set(CPACK_PACKAGE_DESCRIPTION [[
The desktop program for owners of a Vantor postal scale. It finds the scale
on a serial port, checks the maker's server for new scale software, downloads
it and rewrites the scale's program memory page by page with verification,
programs the scale's blank postage keys with weight-and-rate tables, and
writes the postal zone table from a pasted zone chart.
The command-line companion vantor-cli does the same for service technicians
and scripts.]])
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR NSIS)
  # The installer's pages name the program as its users know it ("Create Vantor PC Program Desktop
  # Icon"); the installer's file keeps the package's name.
  set(CPACK_PACKAGE_NAME "Vantor PC Program")
  set(CPACK_PACKAGE_FILE_NAME "vantor-pc-${PROJECT_VERSION}-win64")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY "Vantor PC Program")
  set(CPACK_NSIS_PACKAGE_NAME "Vantor PC Program")
  set(CPACK_NSIS_DISPLAY_NAME "Vantor PC Program")
  set(CPACK_NSIS_MUI_ICON "${CMAKE_CURRENT_SOURCE_DIR}/icons/vantor-pc.ico")
  set(CPACK_NSIS_MUI_UNIICON "${CMAKE_CURRENT_SOURCE_DIR}/icons/vantor-pc.ico")
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # The licence page shows the program's own terms (CPack's default is "No license provided").
  set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_CURRENT_SOURCE_DIR}/windows/LICENSE.txt")
  # The options page: a desktop shortcut if the user wants one, and vantor-cli on the PATH for
  # technicians (both off unless ticked).
  set(CPACK_NSIS_MODIFY_PATH ON)
  set(CPACK_CREATE_DESKTOP_LINKS vantor-pc)
  # "Run Vantor PC Program" on the last page.
  set(CPACK_NSIS_MUI_FINISHPAGE_RUN vantor-pc.exe)
  # Add/Remove Programs shows the program's icon, publisher and version.
  set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\vantor-pc.exe")
  # The uninstaller removes what is the program's, not the user's: its settings, its temporary
  # files, its support log and the folders left empty. The update history and the backups of the
  # zone table and keys stay, and the user is told where. (NSIS takes a backslash as it is.)
  # An administrator's uninstaller works in the all-users context, where $LOCALAPPDATA is
  # ProgramData: the user's own folder is reached in the user's context, and the context the
  # uninstaller had is restored for the Start menu entries it removes next.
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
    StrCpy $R9 "$SMPROGRAMS"
    SetShellVarContext current
    DeleteRegKey HKCU "Software\VantorUSA_PCProgram\VantorUSA_PCProgram"
    DeleteRegKey /ifempty HKCU "Software\VantorUSA_PCProgram"
    Delete "$LOCALAPPDATA\VantorUSA_PCProgram\VantorUSA_PCProgram\VantorUSA_APROM.hex"
    Delete "$LOCALAPPDATA\VantorUSA_PCProgram\VantorUSA_PCProgram\usaupdatebanner.jpg"
    Delete "$LOCALAPPDATA\VantorUSA_PCProgram\VantorUSA_PCProgram\support.log"
    Delete "$LOCALAPPDATA\VantorUSA_PCProgram\VantorUSA_PCProgram\support.log.old"
    RMDir "$LOCALAPPDATA\VantorUSA_PCProgram\VantorUSA_PCProgram\Journals"
    RMDir "$LOCALAPPDATA\VantorUSA_PCProgram\VantorUSA_PCProgram"
    RMDir "$LOCALAPPDATA\VantorUSA_PCProgram"
    RMDir "$LOCALAPPDATA\vantor-cli"
    IfFileExists "$LOCALAPPDATA\VantorUSA_PCProgram\*.*" 0 +2
      MessageBox MB_OK|MB_ICONINFORMATION "Vantor PC Program has been removed. The backups of your scales' zone tables and keys and the update history stay in $LOCALAPPDATA\VantorUSA_PCProgram; delete that folder when you no longer need them." /SD IDOK
    SetShellVarContext all
    StrCmp "$R9" "$SMPROGRAMS" +2
      SetShellVarContext current
  ]=])
  # A Start menu entry "Vantor PC Program" for bin\vantor-pc.exe.
  set(CPACK_PACKAGE_EXECUTABLES vantor-pc "Vantor PC Program")
  # A Start menu entry for the manual, installed beside the programs.
  set(CPACK_NSIS_MENU_LINKS "doc/VantorUSA_Manual.pdf" "Vantor PC Program Manual")
  install(FILES ${PROJECT_SOURCE_DIR}/scripts/demo/VantorUSA_Manual.pdf DESTINATION doc)
  # The compiler's runtime DLLs, and Qt's DLLs and plugins beside the executables, so that the
  # installed program runs on a machine without Qt or a compiler.
  if(MINGW)
    include(WindowsRuntime.cmake)
    # A 64-bit installer for the 64-bit program: it also runs where 32-bit programs cannot (a
    # 64-bit Wine without its 32-bit half, as in the cross-build's tests).
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  else()
    include(InstallRequiredSystemLibraries)
    find_program(WINDEPLOYQT_EXECUTABLE windeployqt HINTS "${QT6_INSTALL_PREFIX}/bin" "${Qt6_DIR}/../../../bin")
    if(WINDEPLOYQT_EXECUTABLE)
      install(CODE "
        execute_process(COMMAND \"${WINDEPLOYQT_EXECUTABLE}\" --no-translations --no-compiler-runtime
                                \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vantor-pc.exe\"
                                \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vantor-cli.exe\"
                        COMMAND_ERROR_IS_FATAL ANY)")
    else()
      message(WARNING "windeployqt not found: the installer will not carry Qt's DLLs.")
    endif()
  endif()
elseif(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps names the Qt 6 libraries the executables link. The pictures are SVG, drawn by
  # Qt's SVG plugins, which nothing links and so must be named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
  # After installing, a running udev is told to apply the scale adapters' rule.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_SOURCE_DIR}/debian/postinst")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

# Every value reaches CPack as it is written here: the uninstaller's commands hold quotes and
# backslashes that NSIS must see unchanged.
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
