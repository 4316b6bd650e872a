# The early-bound client's test: the Windows build of the ravelin tool makes a venue database,
# and vod_com_early_bound_test runs on it under the emulator (it registers the server itself).
#
#   cmake -DEMULATOR=<emulator, words separated by |> -DTOOL=<ravelin.exe> -DCLIENT=<test.exe>
#         -DDATA_DIR=<tests/vod/com/data> -DWORK_DIR=<scratch folder> -P RunEarlyBound.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/ComVenue.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
make_venue(${WORK_DIR}/venue.mdb)
windows_path(db ${WORK_DIR}/venue.mdb)

# The client's output goes through files: wine's services would hold a pipe open.
execute_process(COMMAND ${emulator} ${CLIENT} ${db}
  RESULT_VARIABLE result OUTPUT_FILE ${WORK_DIR}/client.out ERROR_FILE ${WORK_DIR}/client.err)
file(READ ${WORK_DIR}/client.out output)
file(READ ${WORK_DIR}/client.err errors)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the early-bound client failed (${result}):\n${errors}")
endif()
