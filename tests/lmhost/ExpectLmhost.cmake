# Runs lmhost and checks its exit status and what it printed.
#   LMHOST     the lmhost executable (EMULATOR, if set, runs it)
#   ARGUMENTS  its arguments, separated by "|"
#   INPUT      a file to give it on standard input (default: none)
#   EXIT       the exit status it must end with
#   MESSAGE1.. texts that must each appear, byte for byte, in its output
#   SILENT     if true, it must print nothing at all
string(REPLACE "|" ";" arguments "${ARGUMENTS}")
if(NOT INPUT)
  set(INPUT /dev/null)
endif()
execute_process(COMMAND ${EMULATOR} ${LMHOST} ${arguments} INPUT_FILE ${INPUT}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
# Windows programs end their lines with CR LF.
string(REPLACE "\r\n" "\n" printed "${out}${err}")
if(NOT status STREQUAL EXIT)
  message(FATAL_ERROR "lmhost ${ARGUMENTS} exited with ${status}, not ${EXIT}; it printed:\n${printed}")
endif()
foreach(index RANGE 1 5)
  if(DEFINED MESSAGE${index})
    string(FIND "${printed}" "${MESSAGE${index}}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "lmhost ${ARGUMENTS} did not print\n${MESSAGE${index}}\nbut:\n${printed}")
    endif()
  endif()
endforeach()
if(SILENT AND NOT printed STREQUAL "")
  message(FATAL_ERROR "lmhost ${ARGUMENTS} should print nothing, but printed:\n${printed}")
endif()
