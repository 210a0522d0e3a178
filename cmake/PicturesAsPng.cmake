# The Qt built for Windows here draws no SVG: Debian's archive has no source of Qt SVG to build it
# from. The program's SVG pictures then go into its resources as PNG files drawn at twice their
# size, under their SVG names; Qt reads a picture by its content when no plugin claims its name,
# and draws it down to the size asked (crisp on a screen at 200 %).
find_program(VANTOR_RSVG_CONVERT rsvg-convert REQUIRED)

# Adds to `target` the resources of `qrc` with every SVG file in it drawn as PNG.
function(vantor_add_pictures_as_png target qrc)
  get_filename_component(folder "${qrc}" DIRECTORY)
  get_filename_component(name "${qrc}" NAME_WE)
  file(READ "${qrc}" text)
  string(REGEX MATCH "prefix=\"([^\"]*)\"" _ "${text}")
  set(prefix "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "<file>[^<]*</file>" entries "${text}")
  set(out "${CMAKE_CURRENT_BINARY_DIR}/pictures-as-png/${name}")
  set(lines "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"${prefix}\">\n")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "</?file>" "" file "${entry}")
    set(source "${folder}/${file}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
    if(file MATCHES "\\.svg$")
      string(REGEX REPLACE "\\.svg$" ".png" drawn "${out}/${file}")
      get_filename_component(drawnFolder "${drawn}" DIRECTORY)
      file(MAKE_DIRECTORY "${drawnFolder}")
      execute_process(COMMAND "${VANTOR_RSVG_CONVERT}" --zoom 2 "${source}" -o "${drawn}"
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "rsvg-convert could not draw ${source}")
      endif()
      set(source "${drawn}")
    endif()
    string(APPEND lines "    <file alias=\"${file}\">${source}</file>\n")
  endforeach()
  string(APPEND lines "  </qresource>\n</RCC>\n")
  file(WRITE "${out}/${name}.qrc" "${lines}")
  target_sources(${target} PRIVATE "${out}/${name}.qrc")
endfunction()
