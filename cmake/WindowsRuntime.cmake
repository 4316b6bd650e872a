# The MinGW-w64 runtime that every module of a Windows build shares: libgcc's
# unwinder, libstdc++ and winpthread as DLLs, copied beside the build's
# programs and installed beside the libraries.
#
# Why shared and not linked into each module: the 32-bit toolchain unwinds
# with DWARF tables that each copy of libgcc registers in a list of its own.
# With a static libgcc in every DLL, an exception thrown in ravelin_dao.dll is
# invisible to the unwinder of ravelin_vod.dll and ends the host process. One
# libgcc_s DLL holds one list for the whole process. The 64-bit toolchain
# unwinds through the system's tables and would cope either way; it takes the
# same arrangement so that both architectures ship and load alike, and every
# module of a build agrees on one libstdc++ (one heap for its objects, one
# exception type per class).
#
# Sets RAVELIN_WINDOWS_RUNTIME_DLLS to the full paths of the runtime DLLs.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_ravelin_libgcc libgcc_s_seh-1.dll)
else()
  set(_ravelin_libgcc libgcc_s_dw2-1.dll)
endif()

set(RAVELIN_WINDOWS_RUNTIME_DLLS "")
foreach(_dll IN ITEMS ${_ravelin_libgcc} libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _result)
  # The driver echoes the bare name back when it does not know the file.
  if(NOT _result EQUAL 0 OR NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
    message(FATAL_ERROR "The compiler does not supply ${_dll}: the posix-thread MinGW-w64 g++ is needed")
  endif()
  get_filename_component(_path "${_path}" REALPATH)
  list(APPEND RAVELIN_WINDOWS_RUNTIME_DLLS "${_path}")
endforeach()

# Programs of the build (tests, the tool) load them from their own folder.
file(COPY ${RAVELIN_WINDOWS_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
install(FILES ${RAVELIN_WINDOWS_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# MinGW ships them with their debugging sections (libstdc++-6.dll is over 20 MB so);
# `cmake --install --strip`, which the release packages use, drops those too.
foreach(_dll IN LISTS RAVELIN_WINDOWS_RUNTIME_DLLS)
  get_filename_component(_name "${_dll}" NAME)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${_name}\" RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR \"stripping ${_name} failed\")
  endif()
endif()" COMPONENT runtime)
endforeach()
