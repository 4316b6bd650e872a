# Installs the build tree into WORK_DIR/prefix, then builds and runs the
# consumer project against it with find_package(Ravelin). A cross build passes
# its TOOLCHAIN_FILE, and the EMULATOR (a comma-separated command) that runs
# its programs.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
string(REPLACE "," ";" EMULATOR "${EMULATOR}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
endfunction()

set(cross "")
if(TOOLCHAIN_FILE)
  set(cross -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
endif()
run(${CMAKE_COMMAND} --install ${RAVELIN_BINARY_DIR} --prefix ${WORK_DIR}/prefix)
# Ravelin_DIR rather than a prefix path: a cross build searches for packages
# only below its own target roots.
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR} ${cross}
    -DRavelin_DIR=${WORK_DIR}/prefix/lib/cmake/Ravelin
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
# A Windows program finds its DLLs beside it, as an application ships them.
file(GLOB dlls ${WORK_DIR}/prefix/bin/*.dll)
if(dlls)
  file(COPY ${dlls} DESTINATION ${WORK_DIR}/build)
endif()
run(${EMULATOR} ${WORK_DIR}/build/consumer${EXE_SUFFIX})
