# The macOS app bundle: an Info.plist (identifier, version, the movies it opens), the icon packed
# from our SVG, and the frames in Contents/Resources where the app looks for them. The plist and
# the icon are also made on other systems, where the packaging test checks them.

set(KESTRO_APP_ID "org.kestro.Kestro")
set(KESTRO_ICON_SVG "${CMAKE_SOURCE_DIR}/packaging/${KESTRO_APP_ID}.svg")
# .icns element types and the pixel size each holds (the @2x ones: ic11 to ic14, ic10).
set(KESTRO_ICNS_ELEMENTS ic11:32 ic12:64 ic07:128 ic13:256 ic08:256 ic14:512 ic09:512 ic10:1024)

#   kestro_info_plist(OUT EXECUTABLE)
function(kestro_info_plist out executable)
  set(KESTRO_BUNDLE_EXECUTABLE "${executable}")
  configure_file("${CMAKE_SOURCE_DIR}/packaging/macos/Info.plist.in" "${out}" @ONLY)
endfunction()

#   kestro_icns(OUT): a build rule making OUT from the SVG (rsvg-convert, then kestro_icns_pack).
function(kestro_icns out)
  find_program(KESTRO_RSVG_CONVERT rsvg-convert REQUIRED)
  get_filename_component(dir "${out}" DIRECTORY)
  set(pngs "")
  set(elements "")
  foreach(element IN LISTS KESTRO_ICNS_ELEMENTS)
    string(REPLACE ":" ";" parts "${element}")
    list(GET parts 0 type)
    list(GET parts 1 size)
    set(png "${dir}/icon-${size}.png")
    if(NOT png IN_LIST pngs)
      add_custom_command(
        OUTPUT "${png}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
        COMMAND "${KESTRO_RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}" "${KESTRO_ICON_SVG}"
        DEPENDS "${KESTRO_ICON_SVG}"
        COMMENT "Rendering the ${size} px icon for macOS")
      list(APPEND pngs "${png}")
    endif()
    list(APPEND elements "${type}=${png}")
  endforeach()
  add_custom_command(
    OUTPUT "${out}"
    COMMAND $<TARGET_FILE:kestro_icns_pack> "${out}" ${elements}
    DEPENDS ${pngs} kestro_icns_pack
    COMMENT "Packing the macOS icon")
endfunction()

#   kestro_macos_bundle(TARGET): TARGET becomes Kestro.app.
function(kestro_macos_bundle target)
  set(plist "${CMAKE_CURRENT_BINARY_DIR}/bundle/Info.plist")
  kestro_info_plist("${plist}" "Kestro")
  set(icns "${CMAKE_CURRENT_BINARY_DIR}/bundle/Kestro.icns")
  kestro_icns("${icns}")
  target_sources(${target} PRIVATE "${icns}")
  set_source_files_properties("${icns}" PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
  set_target_properties(${target} PROPERTIES MACOSX_BUNDLE ON OUTPUT_NAME Kestro
                                             MACOSX_BUNDLE_INFO_PLIST "${plist}")
  add_dependencies(${target} kestro_frames)
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory "${KESTRO_BUILD_RESOURCES}/Frames"
            "$<TARGET_BUNDLE_CONTENT_DIR:${target}>/Resources/Frames"
    COMMENT "Copying the frames into the bundle")
endfunction()
