# The import library made from Confluxor.def: the plug-in binds AddEventListener
# and DispatchEvent by name from "Confluxor.dll" at load, whatever bus library
# the host ships, so it never links the stand-in's build.
set(conflux_definition ${CMAKE_CURRENT_SOURCE_DIR}/Confluxor.def)
if(MSVC)
  set(conflux_import_library ${CMAKE_CURRENT_BINARY_DIR}/Confluxor-import.lib)
  set(conflux_import_command
      ${CMAKE_AR} /nologo /machine:x64 /def:${conflux_definition} /out:${conflux_import_library})
else()
  if(NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "dlltool not found: set CMAKE_DLLTOOL to the toolchain's dlltool")
  endif()
  # dlltool leaves empty temporary files behind; they stay in the build folder.
  set(conflux_dlltool_temp ${CMAKE_CURRENT_BINARY_DIR}/dlltool-temp)
  file(MAKE_DIRECTORY ${conflux_dlltool_temp})
  set(conflux_dlltool ${CMAKE_COMMAND} -E env TMPDIR=${conflux_dlltool_temp} ${CMAKE_DLLTOOL})
  set(conflux_import_library ${CMAKE_CURRENT_BINARY_DIR}/libConfluxor-import.a)
  set(conflux_import_command
      ${conflux_dlltool} --machine i386:x86-64 --input-def ${conflux_definition}
      --dllname Confluxor.dll --output-lib ${conflux_import_library})
endif()

add_custom_command(
  OUTPUT ${conflux_import_library}
  COMMAND ${conflux_import_command}
  DEPENDS ${conflux_definition}
  COMMENT "Making the import library of Confluxor.dll"
  VERBATIM)
add_custom_target(conflux_import_library DEPENDS ${conflux_import_library})

add_dependencies(conflux_bus conflux_import_library)
target_link_libraries(conflux_bus INTERFACE ${conflux_import_library})

# lmhost drives the stand-in bus through its control functions. Bound at load,
# they would keep lmhost from starting at all without Confluxor.dll; bound at
# their first call, which comes after the plug-in has loaded, a missing
# Confluxor.dll shows as the host sees it: the loader refuses the plug-in, and
# lmhost says so.
function(quayline_bind_standin_bus_at_first_call)
  if(MSVC)
    target_link_options(standin_bus_control INTERFACE /DELAYLOAD:Confluxor.dll)
    target_link_libraries(standin_bus_control INTERFACE delayimp)
    return()
  endif()
  set(exports ${CMAKE_CURRENT_BINARY_DIR}/Confluxor-standin.def)
  set(delay_library ${CMAKE_CURRENT_BINARY_DIR}/libConfluxor-delayed.a)
  target_link_options(Confluxor PRIVATE -Wl,--output-def,${exports})
  add_custom_command(
    OUTPUT ${delay_library}
    COMMAND ${conflux_dlltool} --machine i386:x86-64 --input-def ${exports}
            --dllname Confluxor.dll --output-delaylib ${delay_library}
    DEPENDS Confluxor
    COMMENT "Making the delay-load import library of the stand-in Confluxor.dll"
    VERBATIM)
  add_custom_target(confluxor_delay_library DEPENDS ${delay_library})
  add_dependencies(standin_bus_control confluxor_delay_library)
  # Ahead of the ordinary import library, so the linker takes every bus
  # function from here.
  get_target_property(bus_links standin_bus_control INTERFACE_LINK_LIBRARIES)
  set_target_properties(standin_bus_control PROPERTIES
    INTERFACE_LINK_LIBRARIES "${delay_library};${bus_links}")
endfunction()

if(TARGET standin_bus_control)
  quayline_bind_standin_bus_at_first_call()
endif()
