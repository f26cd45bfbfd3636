# Fails if the program defines a symbol (as nm names it, demangled) that PATTERN matches.
# Usage: cmake -DNM=... -DPROGRAM=... -DPATTERN=... -P check_absent_symbols.cmake
execute_process(COMMAND ${NM} -C --defined-only ${PROGRAM} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT symbols)
  message(FATAL_ERROR "nm found no symbols in ${PROGRAM}")
endif()
string(REGEX MATCHALL "[^\n]*(${PATTERN})[^\n]*" found "${symbols}")
if(found)
  string(REPLACE ";" "\n" found "${found}")
  message(FATAL_ERROR "${PROGRAM} holds code it never runs:\n${found}")
endif()
