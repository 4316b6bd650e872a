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

include(${CMAKE_CURRENT_LIST_DIR}/ComVenue.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
make_venue(${WORK_DIR}/venue.mdb)
windows_path(db ${WORK_DIR}/venue.mdb)
windows_path(script ${DATA_DIR}/ScriptHost.vbs)
windows_path(server ${SERVER})

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
