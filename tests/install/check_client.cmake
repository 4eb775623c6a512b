# Installs the build into a fresh prefix, builds docs/example_client.c against it twice,
# with pkg-config and with find_package(Zedare), and plays one whole game with each
# from scripted input. Both transcripts must be the same game: the start position
# first, a refused entry, the engine's moves, and at the end a result whose disc counts
# are those of the last board printed. The prefix is removed afterwards.
# Both must find the project's VERSION.
# Arguments: BUILD_DIR, SOURCE_DIR, WORK_ROOT, LIBDIR, SOVERSION, VERSION.
string(RANDOM LENGTH 10 ALPHABET abcdefghijklmnopqrstuvwxyz0123456789 suffix)
set(work ${WORK_ROOT}/client_check_${suffix})
set(prefix ${work}/prefix)

function(fail text)
  file(REMOVE_RECURSE ${work})
  message(FATAL_ERROR "${text}")
endfunction()

function(run)  # runs the command, fails with its output if it fails
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    fail("${ARGN}\nfailed (${status}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${work})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

run(readelf -d ${prefix}/${LIBDIR}/libzedare.so)
if(NOT out MATCHES "Library soname: \\[libzedare\\.so\\.${SOVERSION}\\]")
  fail("libzedare.so has not the soname libzedare.so.${SOVERSION}:\n${out}")
endif()

# The human's entries: one refused, then every square in turn, over and over, so that
# whatever the engine answers, the human plays the next legal square in the list.
set(input "zz\n")
foreach(round RANGE 1 30)
  foreach(letter a b c d e f g h)
    foreach(digit RANGE 1 8)
      string(APPEND input "${letter}${digit}\n")
    endforeach()
  endforeach()
endforeach()
file(WRITE ${work}/moves.txt "${input}")

# With pkg-config only: the installed zedare.pc gives the flags and the data folder.
find_program(CC NAMES cc gcc clang REQUIRED)
set(pkg ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${prefix}/${LIBDIR}/pkgconfig pkg-config)
run(${pkg} --cflags --libs zedare)
separate_arguments(flags UNIX_COMMAND "${out}")
run(${pkg} --modversion zedare)
string(STRIP "${out}" pc_version)
if(NOT pc_version STREQUAL VERSION)
  fail("zedare.pc gives the version ${pc_version}, not ${VERSION}")
endif()
run(${pkg} --variable=pkgdatadir zedare)
string(STRIP "${out}" pc_data)
run(${CC} -std=c99 -Wall -Wextra -Werror -pedantic ${SOURCE_DIR}/docs/example_client.c ${flags}
  -o ${work}/client_pc)

# With find_package(Zedare) in a CMake project of its own.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/client -B ${work}/client_build
  -DCMAKE_PREFIX_PATH=${prefix} -DCLIENT_SOURCE=${SOURCE_DIR}/docs/example_client.c
  -DZEDARE_VERSION=${VERSION})
run(${CMAKE_COMMAND} --build ${work}/client_build)
file(READ ${work}/client_build/data_dir.txt cmake_data)

foreach(data_dir ${pc_data} ${cmake_data})
  if(NOT EXISTS ${data_dir}/modele/parametry9_i15_6.dat OR NOT IS_DIRECTORY ${data_dir}/otwarcia)
    fail("the package's data folder ${data_dir} does not hold the engine's data")
  endif()
endforeach()

# Level 1; run from the work folder, so only the data folder argument leads to the data.
foreach(variant pc cmake)
  if(variant STREQUAL "pc")
    set(program ${work}/client_pc)
    set(data_dir ${pc_data})
  else()
    set(program ${work}/client_build/zedare_client)
    set(data_dir ${cmake_data})
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR} ${program} ${data_dir} 1
    WORKING_DIRECTORY ${work} INPUT_FILE ${work}/moves.txt RESULT_VARIABLE status
    OUTPUT_VARIABLE transcript_${variant} ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    fail("the ${variant} client failed (${status}):\n${transcript_${variant}}\n${err}")
  endif()
endforeach()
set(transcript "${transcript_pc}")
if(NOT transcript_cmake STREQUAL transcript)
  fail("the two builds of the client played different games:\n${transcript}\n---\n${transcript_cmake}")
endif()

string(CONCAT start "  a b c d e f g h\n1 . . . . . . . .\n2 . . . . . . . .\n"
  "3 . . . . . . . .\n4 . . . O X . . .\n5 . . . X O . . .\n6 . . . . . . . .\n"
  "7 . . . . . . . .\n8 . . . . . . . .\nYour move: zz\n\"zz\" is not a legal move.\n")
string(FIND "${transcript}" "${start}" at)
if(NOT at EQUAL 0)
  fail("the transcript does not begin with the start position and the refused entry:\n${transcript}")
endif()
string(REGEX MATCHALL "The engine plays [a-h][1-8]\\.\n" engine_moves "${transcript}")
list(LENGTH engine_moves engine_count)
if(engine_count LESS 10)
  fail("the engine made ${engine_count} moves:\n${transcript}")
endif()
if(NOT transcript MATCHES
   "\n([1-8][ .XO]+\n)Game over: black \\(you\\) ([0-9]+), white \\(engine\\) ([0-9]+): ([a-z ]+)\\.\n$")
  fail("the game did not end with a result line after a board:\n${transcript}")
endif()
set(black ${CMAKE_MATCH_2})
set(white ${CMAKE_MATCH_3})
set(verdict "${CMAKE_MATCH_4}")
# The last board: the 8 rows before the result line.
string(FIND "${transcript}" "  a b c d e f g h\n" last_board REVERSE)
string(SUBSTRING "${transcript}" ${last_board} -1 last)
string(REGEX REPLACE "Game over.*" "" last "${last}")
string(REGEX MATCHALL "X" xs "${last}")
string(REGEX MATCHALL "O" os "${last}")
list(LENGTH xs board_black)
list(LENGTH os board_white)
if(black GREATER white)
  set(expected "you win")
elseif(black LESS white)
  set(expected "the engine wins")
else()
  set(expected "a draw")
endif()
if(NOT black EQUAL board_black OR NOT white EQUAL board_white OR NOT verdict STREQUAL expected)
  fail("result ${black}:${white} '${verdict}' against the last board ${board_black}:${board_white}:\n${last}")
endif()
message(STATUS "one game to the end: ${black}:${white}, ${engine_count} engine moves, the same through pkg-config and find_package")
file(REMOVE_RECURSE ${work})
