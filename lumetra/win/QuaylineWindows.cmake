# The Windows plug-in Quayline.qvl: a relocatable x86-64 DLL whose only export
# is PluginMain (ordinal 1, from Quayline.def), with exactly two resources, the
# property list and the manifest, and a load hook that only answers success.
include(PropertyList)

set(quayline_property_list_file ${CMAKE_CURRENT_BINARY_DIR}/Quayline.pipl)
quayline_property_list(OUTPUT ${quayline_property_list_file})

# Written by our own writer rather than the resource compiler, which would
# record code page 0 instead of 1252. Languages: 2057 English (United Kingdom),
# 1033 English (United States); 24 is the manifest type, and id 2 the manifest
# that the loader reads for a DLL.
set(quayline_resource_object ${CMAKE_CURRENT_BINARY_DIR}/QuaylineResources.obj)
set(quayline_manifest ${CMAKE_CURRENT_LIST_DIR}/Quayline.manifest)
set(quayline_resource_writer ${CMAKE_CURRENT_LIST_DIR}/resource_object.py)
get_filename_component(quayline_build_output_folder ${QUAYLINE_BUILD_OUTPUT_HELPER} DIRECTORY)
add_custom_command(
  OUTPUT ${quayline_resource_object}
  COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${quayline_build_output_folder}
          ${Python3_EXECUTABLE} -B ${quayline_resource_writer} --code-page 1252
          --resource PIPL 16000 2057 ${quayline_property_list_file}
          --resource 24 2 1033 ${quayline_manifest}
          ${quayline_resource_object}
  DEPENDS ${quayline_resource_writer} ${QUAYLINE_BUILD_OUTPUT_HELPER}
          ${quayline_property_list_file} ${quayline_manifest}
  COMMENT "Writing the resources of Quayline.qvl"
  VERBATIM)
set_source_files_properties(${quayline_resource_object} PROPERTIES EXTERNAL_OBJECT TRUE)

target_sources(Quayline PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DllMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Quayline.def
  ${quayline_resource_object})
set_target_properties(Quayline PROPERTIES SUFFIX ".qvl")

if(MSVC)
  # The manifest is already one of the two resources; the linker adds none.
  target_link_options(Quayline PRIVATE /MANIFEST:NO)
else()
  # The host's loader looks for a runtime DLL beside itself, never beside the
  # plug-in, so the C++ runtime goes inside; the C runtime stays the system's.
  # A release DLL leaves out the symbol table and the debug sections that the
  # static runtime brings along: they were more than half of its size.
  # No link time in the header, so that a release builds byte for byte again.
  target_link_options(Quayline PRIVATE -static-libstdc++ -static-libgcc
                                       $<$<CONFIG:Release,MinSizeRel>:-s>
                                       LINKER:--no-insert-timestamp)
endif()

# A release holds the plug-in and its install text (tools/release).
include(${PROJECT_SOURCE_DIR}/cmake/InstallText.cmake)
install(TARGETS Quayline LIBRARY DESTINATION .)
quayline_install_text(Windows)
