# Runs the quick search bench natively and under an emulated plain x86-64 processor
# (qemu-x86_64 -cpu qemu64: no POPCNT, SSE4 or AVX), where the engine must choose its
# portable kernels, and requires every case's move, value and positions scored to be the
# same. Arguments: BENCH (the bench program), QEMU (qemu-x86_64, or empty when missing).
if(NOT QEMU)
  message("qemu-x86_64 not found: skipped (Debian package qemu-user)")
  return()
endif()

function(quick_run result kernels)
  execute_process(COMMAND ${ARGN} --quick RESULT_VARIABLE status OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} --quick failed (${status}):\n${out}\n${err}")
  endif()
  string(REGEX MATCH "kernels: ([a-z0-9]+)" line "${out}")
  set(${kernels} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  # Each case without its time and tree size: name, level, algorithm, move, value, count.
  string(REGEX MATCHALL "\n[a-z0-9-]+ +[0-9]+ +[0-9]+ +[0-9]+ +[0-9]+ +-?[0-9.]+ +[0-9]+"
         cases "${out}")
  list(LENGTH cases count)
  if(count LESS 10)
    message(FATAL_ERROR "${ARGN} --quick printed ${count} cases:\n${out}")
  endif()
  string(JOIN "" text ${cases})
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

quick_run(native native_kernels ${BENCH})
quick_run(emulated emulated_kernels ${QEMU} -cpu qemu64 ${BENCH})
message("native: ${native_kernels} kernels; under qemu64: ${emulated_kernels} kernels")
if(NOT emulated_kernels STREQUAL "portable")
  message(FATAL_ERROR "under qemu64 the engine chose the ${emulated_kernels} kernels")
endif()
if(NOT native STREQUAL emulated)
  message(FATAL_ERROR "the cases differ:\nnative (${native_kernels}):${native}\n\nqemu64 (portable):${emulated}")
endif()
string(REGEX MATCHALL "\n" lines "${native}")
list(LENGTH lines count)
message("${count} cases: the same moves, values and positions scored")
