# Version information and the application manifest of the project's programs, from the one version
# number of project() and the names below.

set(ZELMO_PRODUCT_NAME "Excelゼルモ_2013")
set(ZELMO_COPYRIGHT "Copyright (C) 2026 ExcelZelmo developers. MIT License.")

# zelmo_version_resources(<target> DESCRIPTION <text>)
# Adds a VERSIONINFO resource and the manifest to the program <target>. MinGW's windres embeds the
# manifest through the generated .rc; MSVC's linker embeds it from the .manifest source (and the
# manifest carries the execution level itself, so the linker adds none of its own).
function(zelmo_version_resources target)
  cmake_parse_arguments(V "" "DESCRIPTION" "" ${ARGN})
  get_target_property(ZELMO_RC_INTERNAL_NAME ${target} OUTPUT_NAME)
  set(ZELMO_RC_FILE_NAME "${ZELMO_RC_INTERNAL_NAME}.exe")
  set(ZELMO_RC_DESCRIPTION "${V_DESCRIPTION}")
  set(templates "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/windows")
  set(manifest "${CMAKE_CURRENT_BINARY_DIR}/${ZELMO_RC_INTERNAL_NAME}.manifest")
  configure_file("${templates}/app.manifest.in" "${manifest}" @ONLY)
  if(MSVC)
    set(ZELMO_RC_MANIFEST "")
    target_sources(${target} PRIVATE "${manifest}")
    target_link_options(${target} PRIVATE /MANIFESTUAC:NO)
  else()
    # 1 is CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 is RT_MANIFEST.
    set(ZELMO_RC_MANIFEST "1 24 \"${manifest}\"")
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${ZELMO_RC_INTERNAL_NAME}_version.rc")
  configure_file("${templates}/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${manifest}")
endfunction()
