# The objects compiled for one instruction level (engine/CMakeLists.txt,
# ZEDARE_LEVEL_SOURCES) may define no external symbol outside their level's namespace
# (zedare::isa_<level>::) but their table of entries (..._isa_<level>). Anything else they
# define, an out-of-line inline function or template of the engine or of the standard
# library, is a copy compiled for that level under the same name as the portable code's,
# and the linker could keep it for both: the portable path would then run instructions
# the processor may lack. Two kinds hold no code and are let through: the pointer to the
# exception personality routine (DW.ref.*) and AddressSanitizer's markers of globals
# (__odr_asan.*).
# Arguments: NM, LEVEL (v2, v3), OBJECTS (the level's objects, separated by "|").
string(REPLACE "|" ";" objects "${OBJECTS}")
set(faults "")
foreach(object ${objects})
  execute_process(COMMAND ${NM} -C --defined-only --extern-only ${object}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${object} failed:\n${err}")
  endif()
  string(REPLACE "\n" ";" lines "${out}")
  foreach(line ${lines})
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "zedare::isa_${LEVEL}::" AND NOT line MATCHES "_isa_${LEVEL}$" AND
       NOT line MATCHES " DW\\.ref\\." AND NOT line MATCHES " __odr_asan[._]")
      string(APPEND faults "  ${object}: ${line}\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "level ${LEVEL} objects define symbols outside their namespace:\n${faults}")
endif()
list(LENGTH objects count)
message("${count} ${LEVEL} objects: every symbol in zedare::isa_${LEVEL}")
