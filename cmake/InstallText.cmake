# quayline_install_text(<platform>)
#
# Installs INSTALL.txt, the README's "Installing" section for <platform> (the
# heading of its subsection), so the install text has one source.
find_package(Python3 3.6 REQUIRED COMPONENTS Interpreter)

function(quayline_install_text platform)
  set(readme ${PROJECT_SOURCE_DIR}/README.md)
  set(text ${CMAKE_CURRENT_BINARY_DIR}/INSTALL.txt)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} -B ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/install_text.py
            ${readme} ${platform} ${PROJECT_VERSION} ${text}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not write the install text for ${platform}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme})
  install(FILES ${text} DESTINATION .)
endfunction()
