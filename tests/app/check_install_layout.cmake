# Installs the build into PREFIX and checks that the program, the engine, the data and
# the desktop entry land where a user expects them, and that the program's run path
# leads to the installed engine.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(path
    ${BINDIR}/TavrinWin
    ${LIBDIR}/libzedare.so
    ${DATADIR}/zedare/modele
    ${DATADIR}/zedare/otwarcia
    ${DATADIR}/applications/tavrinwin.desktop)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND readelf -d ${PREFIX}/${BINDIR}/TavrinWin OUTPUT_VARIABLE dynamic)
string(FIND "${dynamic}" "[$ORIGIN/../${LIBDIR}]" found)
if(found EQUAL -1)
  message(FATAL_ERROR "TavrinWin has no run path $ORIGIN/../${LIBDIR}:\n${dynamic}")
endif()
file(READ ${PREFIX}/${DATADIR}/applications/tavrinwin.desktop entry)
if(NOT entry MATCHES "\nExec=TavrinWin\n" OR NOT entry MATCHES "\nType=Application\n")
  message(FATAL_ERROR "the desktop entry does not start TavrinWin")
endif()
file(REMOVE_RECURSE ${PREFIX})
