# The resources of a Windows program: the icon drawn from dist/quarvel.svg, the version (VERSIONINFO) and
# a manifest (long paths, per-monitor DPI). Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
find_program(RSVG_CONVERT_PROGRAM rsvg-convert REQUIRED)
find_program(IMAGEMAGICK_CONVERT_PROGRAM convert REQUIRED)

set(_windows ${PROJECT_BINARY_DIR}/windows)
set(QUARVEL_ICON ${_windows}/quarvel.ico)
set(_pictures)
foreach(size 16 24 32 48 64 256)
  list(APPEND _pictures ${_windows}/icon-${size}.png)
  add_custom_command(OUTPUT ${_windows}/icon-${size}.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_windows}
    COMMAND ${RSVG_CONVERT_PROGRAM} -w ${size} -h ${size} -o ${_windows}/icon-${size}.png ${PROJECT_SOURCE_DIR}/dist/quarvel.svg
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/quarvel.svg VERBATIM)
endforeach()
add_custom_command(OUTPUT ${QUARVEL_ICON}
  COMMAND ${IMAGEMAGICK_CONVERT_PROGRAM} ${_pictures} ${QUARVEL_ICON}
  DEPENDS ${_pictures} VERBATIM)
add_custom_target(quarvel_windows_icon DEPENDS ${QUARVEL_ICON})

string(REPLACE "." "," QUARVEL_VERSION_COMMAS "${PROJECT_VERSION},0")
set(QUARVEL_VERSION_FOUR "${PROJECT_VERSION}.0")

# Gives `target` (the program `name`.exe) its icon, version and manifest.
function(quarvel_windows_resources target name description)
  set(QUARVEL_RESOURCE_NAME ${name})
  set(QUARVEL_RESOURCE_DESCRIPTION ${description})
  set(QUARVEL_MANIFEST ${_windows}/${name}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows/quarvel.manifest.in ${QUARVEL_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows/quarvel.rc.in ${_windows}/${name}.rc @ONLY)
  target_sources(${target} PRIVATE ${_windows}/${name}.rc)
  set_source_files_properties(${_windows}/${name}.rc PROPERTIES OBJECT_DEPENDS "${QUARVEL_ICON};${QUARVEL_MANIFEST}")
  add_dependencies(${target} quarvel_windows_icon)
endfunction()
