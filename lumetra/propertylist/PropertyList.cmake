# The plug-in property list, shared by both deliverables: the Windows library
# carries it as a resource, the macOS bundle among its Resources and, in the
# words of its Info.plist, read from the same table.
#
# quayline_property_list(OUTPUT <path>)
#
# Writes the plug-in property list (the host's binary form of PropertyList.txt)
# to <path> at build time. Call it in the directory of a target that builds
# <path> (a custom target depending on it will do); the file is rewritten
# whenever the table or its writer changes.
find_package(Python3 3.6 REQUIRED COMPONENTS Interpreter)

# The table, for a build that reads its values as well, and the writer's
# helper for build outputs, which the Windows resource writer uses too.
set(QUAYLINE_PROPERTY_TABLE ${CMAKE_CURRENT_LIST_DIR}/PropertyList.txt)
set(QUAYLINE_BUILD_OUTPUT_HELPER ${CMAKE_CURRENT_LIST_DIR}/build_output.py)

function(quayline_property_list)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT" "")
  if(NOT arg_OUTPUT OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quayline_property_list: usage: quayline_property_list(OUTPUT <path>)")
  endif()
  set(writer ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/property_list.py)
  add_custom_command(
    OUTPUT ${arg_OUTPUT}
    COMMAND Python3::Interpreter -B ${writer} ${QUAYLINE_PROPERTY_TABLE} ${arg_OUTPUT}
    DEPENDS ${QUAYLINE_PROPERTY_TABLE} ${writer} ${QUAYLINE_BUILD_OUTPUT_HELPER}
    COMMENT "Writing the plug-in property list ${arg_OUTPUT}"
    VERBATIM)
endfunction()
