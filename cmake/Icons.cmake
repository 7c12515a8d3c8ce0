# kv_render_icons(<list var> DIRECTORY <dir> NAME <pattern> SIZES <n>...): renders the
# program's one drawing (packaging/kv4410pc.svg) to a PNG per size at build time, so the
# bitmaps never drift from it. NAME is the file name with "@SIZE@" for the size; the
# list var receives the PNG paths.
find_program(KV_RSVG_CONVERT rsvg-convert REQUIRED)
function(kv_render_icons out)
  cmake_parse_arguments(ARG "" "DIRECTORY;NAME" "SIZES" ${ARGN})
  set(svg ${PROJECT_SOURCE_DIR}/packaging/kv4410pc.svg)
  set(pngs)
  foreach(size IN LISTS ARG_SIZES)
    string(REPLACE "@SIZE@" "${size}" name "${ARG_NAME}")
    set(png ${ARG_DIRECTORY}/${name})
    get_filename_component(folder ${png} DIRECTORY)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${KV_RSVG_CONVERT} --width=${size} --height=${size} --keep-aspect-ratio
              --output=${png} ${svg}
      DEPENDS ${svg}
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  set(${out} ${pngs} PARENT_SCOPE)
endfunction()

# kv_icon_pixels(<list var> <png>...): each PNG's bare pixels beside it as <name>.rgba
# (tools/icon_pixels), for a window icon made without an image reader. The list var
# receives the paths.
function(kv_icon_pixels out)
  set(files)
  foreach(png IN LISTS ARGN)
    string(REGEX REPLACE "\\.png$" ".rgba" pixels ${png})
    add_custom_command(
      OUTPUT ${pixels}
      COMMAND kv_icon_pixels ${png} ${pixels}
      DEPENDS ${png} kv_icon_pixels
      VERBATIM)
    list(APPEND files ${pixels})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
