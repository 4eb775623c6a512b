# Fails unless PROGRAM exports TavrinMatrixErrorHook in its dynamic symbol table, where
# the engine's dlsym(RTLD_DEFAULT, ...) looks for it.
execute_process(COMMAND nm -D --defined-only ${PROGRAM}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${PROGRAM}")
endif()
if(NOT symbols MATCHES "[0-9a-f]+ T TavrinMatrixErrorHook\n")
  message(FATAL_ERROR "${PROGRAM} does not export TavrinMatrixErrorHook")
endif()
