# What vantor-pc.exe and vantor-cli.exe load at run time, for a MinGW build (the Debian cross-build
# has no windeployqt): the compiler's runtime, Qt's libraries, and the plugins Qt loads from the
# folders beside the executable (the Windows platform and style, the TLS back ends, the picture
# formats).

foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(dll_path "${dll_path}" REALPATH)
  if(NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "The compiler's ${dll} is not where it says: ${dll_path}")
  endif()
  install(FILES "${dll_path}" DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${dll})
endforeach()

foreach(module Core Gui Widgets Network)
  install(IMPORTED_RUNTIME_ARTIFACTS Qt6::${module} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

set(VANTOR_QT_PLUGINS platforms/qwindows styles/qwindowsvistastyle tls/qschannelbackend tls/qcertonlybackend
    imageformats/qjpeg imageformats/qgif imageformats/qico)
foreach(plugin IN LISTS VANTOR_QT_PLUGINS)
  get_filename_component(folder ${plugin} DIRECTORY)
  set(file "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin}.dll")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "Qt's plugin ${plugin} is missing: ${file}")
  endif()
  install(FILES "${file}" DESTINATION ${CMAKE_INSTALL_BINDIR}/${folder})
endforeach()
