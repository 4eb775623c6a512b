# Checks that the engine's modules include each other only downwards:
#   board, matrix  <-  eval  <-  search  <-  api  <-  records, training
# Each module may include the headers of the modules listed for it here, and its own.
# Two known upward edges are listed by file, so that no other can creep in: the engine
# instance (api/engine.h) still carries the search's tree and flags, so search includes
# it, and it holds the game record (records/game_record.h).
# The window's files are checked too (see the end).
# Run: cmake -DROOT=<source dir> -P tests/check_layers.cmake; fails listing every
# forbidden include.
cmake_policy(SET CMP0057 NEW)
set(allowed_board board)
set(allowed_matrix matrix)
set(allowed_eval board matrix eval)
set(allowed_search board matrix eval search api/engine.h)
set(allowed_api board matrix eval search api records/game_record.h)
set(allowed_records board matrix eval search api records)
set(allowed_training board matrix eval search api records training)

file(GLOB_RECURSE sources RELATIVE ${ROOT}/engine ${ROOT}/engine/*.h ${ROOT}/engine/*.cpp)
set(faults "")
foreach(source ${sources})
  string(REGEX MATCH "^[a-z]+" module "${source}")
  if(NOT DEFINED allowed_${module})
    string(APPEND faults "  ${source}: module '${module}' has no rule\n")
    continue()
  endif()
  file(STRINGS ${ROOT}/engine/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    string(REGEX MATCH "^[a-z]+" target "${header}")
    set(ok FALSE)
    foreach(rule ${allowed_${module}})
      if(rule STREQUAL target OR rule STREQUAL header)
        set(ok TRUE)
      endif()
    endforeach()
    if(NOT ok)
      string(APPEND faults "  engine/${source}: includes \"${header}\" (${module} may not include ${target})\n")
    endif()
  endforeach()
endforeach()

# The window (app/) sees the engine only through its public header (and one format
# module: the game-transcript codec, which converts files and holds no game; and two
# tables it shows: the evaluation's terms and the levels), and the files below
# the window (the engine client, the worker, the dialogs, the paint box) do not include
# the window's header, so that no include cycle forms among them.
set(window_side main_window.cpp board_painter.cpp status_line.cpp option_strip.cpp shortcuts.cpp
  startup.h startup.cpp main.cpp)
set(window_tables "eval/terms.h" "api/levels.h")
file(GLOB app_sources RELATIVE ${ROOT}/app ${ROOT}/app/*.h ${ROOT}/app/*.cpp)
foreach(source ${app_sources})
  file(STRINGS ${ROOT}/app/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    if(NOT EXISTS ${ROOT}/app/${header} AND NOT header STREQUAL "zedare.h"
       AND NOT (source STREQUAL "game_transcripts.cpp" AND header STREQUAL "records/transcript.h")
       AND NOT header IN_LIST window_tables)
      string(APPEND faults "  app/${source}: includes \"${header}\" (the window sees only zedare.h of the engine)\n")
    elseif(header STREQUAL "main_window.h" AND NOT source IN_LIST window_side)
      string(APPEND faults "  app/${source}: includes \"main_window.h\" (only the window's own files may)\n")
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Forbidden includes:\n${faults}")
endif()
