# Installs the build into PREFIX and checks that the program, the engine, the data and
# the desktop entry land where a user expects them, that the program's run path leads
# to the installed engine, and that the library, the metadata and zedare-nboard carry the
# project's VERSION.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(path
    ${BINDIR}/TavrinWin
    ${BINDIR}/zedare-nboard
    ${LIBDIR}/libzedare.so
    ${LIBDIR}/libzedare.so.${VERSION}
    ${DATADIR}/zedare/modele
    ${DATADIR}/zedare/otwarcia
    ${DATADIR}/applications/pl.zedare.TavrinWin.desktop
    ${DATADIR}/icons/hicolor/scalable/apps/pl.zedare.TavrinWin.svg
    ${DATADIR}/metainfo/pl.zedare.TavrinWin.metainfo.xml)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND readelf -d ${PREFIX}/${BINDIR}/TavrinWin OUTPUT_VARIABLE dynamic)
string(FIND "${dynamic}" "[$ORIGIN/../${LIBDIR}]" found)
if(found EQUAL -1)
  message(FATAL_ERROR "TavrinWin has no run path $ORIGIN/../${LIBDIR}:\n${dynamic}")
endif()
# The protocol engine, started elsewhere, finds the installed data and answers.
file(WRITE ${PREFIX}/nboard_input.txt "nboard 2\nquit\n")
execute_process(COMMAND ${PREFIX}/${BINDIR}/zedare-nboard INPUT_FILE ${PREFIX}/nboard_input.txt
  WORKING_DIRECTORY ${PREFIX} OUTPUT_VARIABLE answer RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT answer STREQUAL "set myname Zedare ${VERSION}\n")
  message(FATAL_ERROR "the installed zedare-nboard did not start (${status}): ${answer}")
endif()
file(READ ${PREFIX}/${DATADIR}/applications/pl.zedare.TavrinWin.desktop entry)
if(NOT entry MATCHES "\nExec=TavrinWin\n" OR NOT entry MATCHES "\nType=Application\n")
  message(FATAL_ERROR "the desktop entry does not start TavrinWin")
endif()
# The entry names the installed icon, has a name and a comment of its own (not the
# Windows title the program keeps for its window), and the icon is an SVG image.
if(NOT entry MATCHES "\nIcon=pl.zedare.TavrinWin\n")
  message(FATAL_ERROR "the desktop entry does not name the installed icon pl.zedare.TavrinWin")
endif()
foreach(key Name Name\\[pl\\] Comment Comment\\[pl\\])
  if(NOT entry MATCHES "\n${key}=[^\n]+\n")
    message(FATAL_ERROR "the desktop entry has no ${key}")
  endif()
endforeach()
# (StartupWMClass is no text for the user: it is the window's X11 class, which Qt takes from
# the application name; tools/package.sh checks it against the running window.)
string(REGEX REPLACE "\nStartupWMClass=[^\n]*" "" shown "${entry}")
if(shown MATCHES "Windows")
  message(FATAL_ERROR "the desktop entry speaks of Windows")
endif()
file(READ ${PREFIX}/${DATADIR}/icons/hicolor/scalable/apps/pl.zedare.TavrinWin.svg icon)
if(NOT icon MATCHES "<svg[^>]*xmlns=\"http://www.w3.org/2000/svg\"")
  message(FATAL_ERROR "pl.zedare.TavrinWin.svg is not an SVG image")
endif()
# The AppStream metadata's newest release is this version.
file(READ ${PREFIX}/${DATADIR}/metainfo/pl.zedare.TavrinWin.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<releases>[ \n]*<release version=\"${VERSION}\" date=\"[0-9-]+\"/>")
  message(FATAL_ERROR "the metainfo's first release is not ${VERSION}:\n${metainfo}")
endif()
file(REMOVE_RECURSE ${PREFIX})
