# The macOS plug-in bundle Quayline.plugin: the x86-64 bundle executable
# Contents/MacOS/Quayline, an Info.plist that tells the host what the Windows
# property list tells it, and that same binary list among the Resources. Both
# take their values from the one property table that the two deliverables share.
include(PropertyList)

set(quayline_property_list_file ${CMAKE_CURRENT_BINARY_DIR}/Quayline.pipl)

# Sets QUAYLINE_PROPERTY_<key> to the value of each row of the table.
function(quayline_read_property_table table)
  file(STRINGS ${table} rows REGEX "^[ \t]*[^# \t]")
  foreach(row IN LISTS rows)
    if(NOT row MATCHES "^[ \t]*[^ \t]+[ \t]+([^ \t]+)[ \t]+[^ \t]+[ \t]+(.*[^ \t])[ \t]*$")
      message(FATAL_ERROR "${table}: a row needs vendor, key, form and value: ${row}")
    endif()
    set(QUAYLINE_PROPERTY_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" PARENT_SCOPE)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
endfunction()

quayline_read_property_table(${QUAYLINE_PROPERTY_TABLE})
foreach(key kind name catg 8664)
  if(NOT DEFINED QUAYLINE_PROPERTY_${key})
    message(FATAL_ERROR "${QUAYLINE_PROPERTY_TABLE} has no \"${key}\" property")
  endif()
endforeach()

get_filename_component(QUAYLINE_PROPERTY_LIST_RESOURCE ${quayline_property_list_file} NAME)

set(quayline_info_plist ${CMAKE_CURRENT_BINARY_DIR}/Quayline-Info.plist)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Info.plist.in ${quayline_info_plist} @ONLY)

quayline_property_list(OUTPUT ${quayline_property_list_file})
target_sources(Quayline PRIVATE ${quayline_property_list_file})
set_source_files_properties(${quayline_property_list_file} PROPERTIES
  MACOSX_PACKAGE_LOCATION Resources)

set_target_properties(Quayline PROPERTIES
  BUNDLE TRUE
  BUNDLE_EXTENSION plugin
  OUTPUT_NAME ${QUAYLINE_PROPERTY_name}
  MACOSX_BUNDLE_INFO_PLIST ${quayline_info_plist})

# Only the entry point leaves the bundle: hidden visibility covers our own
# code, but not a standard library that the toolchain links in statically.
target_link_options(Quayline PRIVATE
  LINKER:-exported_symbol,_${QUAYLINE_PROPERTY_8664}
  LINKER:-dead_strip)

# A Mac's compiler driver links the SDK's libc++; the cross build links the
# stub that lists what the plug-in may take from /usr/lib/libc++.1.dylib.
if(CMAKE_CROSSCOMPILING)
  target_link_libraries(Quayline PRIVATE ${PROJECT_SOURCE_DIR}/interfaces/bus/libc++.1.tbd)
endif()

# A release holds the bundle and its install text (tools/release).
include(${PROJECT_SOURCE_DIR}/cmake/InstallText.cmake)
install(TARGETS Quayline LIBRARY DESTINATION .)
quayline_install_text(macOS)
