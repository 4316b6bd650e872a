# What the COM clients' test runners share: the emulator's words, Windows paths of the build's
# files, running a program under the emulator, and the venue the ravelin tool makes for them.
#
#   include(ComVenue.cmake); make_venue(<database path>)   with EMULATOR, TOOL and DATA_DIR set
string(REPLACE "|" ";" emulator "${EMULATOR}")

# Windows sees the build's files through drive Z:.
function(windows_path variable path)
  string(REPLACE "/" "\\" path "${path}")
  set(${variable} "Z:${path}" PARENT_SCOPE)
endfunction()

function(run)
  execute_process(COMMAND ${emulator} ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${output}\n${errors}")
  endif()
endfunction()

# The venue, as its staff would set it up with the tool.
function(make_venue path)
  windows_path(db ${path})
  windows_path(songs ${DATA_DIR}/songs.csv)
  run(${TOOL} venue init ${db})
  run(${TOOL} venue room add ${db} --name "Room A1" --host PC-A1 --code A1 --status 1)
  run(${TOOL} venue room add ${db} --name "Room A2" --host PC-A2 --status 0)
  run(${TOOL} venue room add ${db} --name "Room B1" --host PC-B1 --code B1 --status 1)
  run(${TOOL} venue songs import ${db} ${songs})
  run(${TOOL} venue select ${db} "Room A1" MOON.MPG --at "2026-01-03 20:00:00")
  run(${TOOL} venue select ${db} "Room A1" MOON.MPG --at "2026-01-10 20:00:00")
  run(${TOOL} venue select ${db} "Room B1" SUN.MPG --at "2026-01-20 20:00:00")
  run(${TOOL} venue select ${db} "Room B1" STAR.MPG --at "2026-02-01 20:00:00")
endfunction()
