# The script host's test: the Windows build of the ravelin tool makes a venue database, the
# system's regsvr32 registers the server, Wine's cscript runs ScriptHost.vbs on the database,
# and its output must equal the golden file. The server is unregistered again, whatever the
# outcome.
#
#   cmake -DEMULATOR=<emulator, words separated by |> -DTOOL=<ravelin.exe> -DSERVER=<ravelin_vod.dll>
#         -DSYSTEM_DIR=<the system folder of the server's architecture>
#         -DDATA_DIR=<tests/vod/com/data> -DWORK_DIR=<scratch folder> -P RunScriptHost.cmake
#
# A 32-bit server is registered and driven by the 32-bit regsvr32 and cscript, the ones in
# syswow64, as on 64-bit Windows; a 64-bit one by those in system32.
cmake_minimum_required(VERSION 3.25)

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

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
windows_path(db ${WORK_DIR}/venue.mdb)
windows_path(songs ${DATA_DIR}/songs.csv)
windows_path(script ${DATA_DIR}/ScriptHost.vbs)
windows_path(server ${SERVER})

# The venue, as its staff would set it up with the tool.
run(${TOOL} venue init ${db})
run(${TOOL} venue room add ${db} --name "Room A1" --host PC-A1 --code A1 --status 1)
run(${TOOL} venue room add ${db} --name "Room A2" --host PC-A2 --status 0)
run(${TOOL} venue room add ${db} --name "Room B1" --host PC-B1 --code B1 --status 1)
run(${TOOL} venue songs import ${db} ${songs})
run(${TOOL} venue select ${db} "Room A1" MOON.MPG --at "2026-01-03 20:00:00")
run(${TOOL} venue select ${db} "Room A1" MOON.MPG --at "2026-01-10 20:00:00")
run(${TOOL} venue select ${db} "Room B1" SUN.MPG --at "2026-01-20 20:00:00")
run(${TOOL} venue select ${db} "Room B1" STAR.MPG --at "2026-02-01 20:00:00")

run(${SYSTEM_DIR}/regsvr32.exe /s ${server})
execute_process(COMMAND ${emulator} ${SYSTEM_DIR}/cscript.exe //nologo ${script} ${db}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
execute_process(COMMAND ${emulator} ${SYSTEM_DIR}/regsvr32.exe /u /s ${server} RESULT_VARIABLE unregistered)

string(REPLACE "\r\n" "\n" output "${output}")
file(WRITE ${WORK_DIR}/ScriptHost.out "${output}")
file(READ ${DATA_DIR}/ScriptHost.golden golden)
if(NOT result EQUAL 0 OR NOT output STREQUAL golden)
  message(FATAL_ERROR "cscript gave (${result}):\n${output}\n${errors}\n"
                      "expected ${DATA_DIR}/ScriptHost.golden; got ${WORK_DIR}/ScriptHost.out")
endif()
if(NOT unregistered EQUAL 0)
  message(FATAL_ERROR "regsvr32 /u failed (${unregistered})")
endif()
