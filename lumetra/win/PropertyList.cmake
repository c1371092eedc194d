# quayline_property_list(OUTPUT <path>)
#
# Writes the plug-in property list (the host's binary form of PropertyList.txt)
# to <path> at build time. Call it in the directory of the target that takes
# <path> as a source, so that the target builds the file; the file is rewritten
# whenever the table or its writer changes.
find_package(Python3 3.6 REQUIRED COMPONENTS Interpreter)

function(quayline_property_list)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT" "")
  if(NOT arg_OUTPUT OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quayline_property_list: usage: quayline_property_list(OUTPUT <path>)")
  endif()
  set(table ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/PropertyList.txt)
  set(writer ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/property_list.py)
  set(output_helper ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/build_output.py)
  add_custom_command(
    OUTPUT ${arg_OUTPUT}
    COMMAND Python3::Interpreter -B ${writer} ${table} ${arg_OUTPUT}
    DEPENDS ${table} ${writer} ${output_helper}
    COMMENT "Writing the plug-in property list ${arg_OUTPUT}"
    VERBATIM)
endfunction()
