# Installs the build tree into WORK_DIR/prefix and runs the installed ravelin
# tool from there, as a user would, with no library path set: it writes and
# checks a design file (ravelin_setups), makes a venue database, adds a room
# and lists it (ravelin_vod with its database libraries). A cross build passes
# the EMULATOR (a comma-separated command) that runs its programs.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
string(REPLACE "," ";" EMULATOR "${EMULATOR}")
set(tool ${WORK_DIR}/prefix/bin/ravelin${EXE_SUFFIX})

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${RAVELIN_BINARY_DIR} --prefix ${WORK_DIR}/prefix)
if(NOT EXISTS ${tool})
  message(FATAL_ERROR "the tool was not installed as ${tool}")
endif()
# Nothing may lead the loader to the build tree's copies.
unset(ENV{LD_LIBRARY_PATH})
unset(ENV{WINEPATH})

run(${EMULATOR} ${tool} design sample design.txt)
run(${EMULATOR} ${tool} design check design.txt)
run(${EMULATOR} ${tool} venue init venue.db --password secret)
run(${EMULATOR} ${tool} venue room add venue.db --password secret --name Ruby --code R1 --host player-1)
run(${EMULATOR} ${tool} venue rooms venue.db --password secret --format tsv)
if(NOT output MATCHES "Ruby")
  message(FATAL_ERROR "the installed tool did not list the room it added:\n${output}")
endif()
message(STATUS "the installed tool ran from ${WORK_DIR}/prefix")
