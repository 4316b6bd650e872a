# What both MinGW-w64 toolchain files share; they set RAVELIN_MINGW_TRIPLE first.
#
# The compilers are Debian's posix-thread variants (std::thread and std::mutex
# need them). The third-party libraries come from scripts/windows-deps.sh,
# which builds them into a cache outside the clone and names their prefixes in
# <cache>/<triple>/deps.cmake; nothing is looked up among the host's libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)

set(CMAKE_C_COMPILER ${RAVELIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RAVELIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RAVELIN_MINGW_TRIPLE}-windres)

# Try-compiles get their own copy of this file, so the cache folder travels as
# an environment variable too.
if(NOT DEFINED RAVELIN_DEPS_DIR)
  if(DEFINED ENV{RAVELIN_DEPS_DIR})
    set(RAVELIN_DEPS_DIR "$ENV{RAVELIN_DEPS_DIR}")
  else()
    set(RAVELIN_DEPS_DIR /var/cache/ravelin/deps)
  endif()
endif()
set(ENV{RAVELIN_DEPS_DIR} "${RAVELIN_DEPS_DIR}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RAVELIN_DEPS_DIR)

set(_ravelin_deps_file ${RAVELIN_DEPS_DIR}/${RAVELIN_MINGW_TRIPLE}/deps.cmake)
if(NOT EXISTS ${_ravelin_deps_file})
  message(FATAL_ERROR "${_ravelin_deps_file} is missing: run scripts/windows-deps.sh ${RAVELIN_MINGW_TRIPLE} first")
endif()
include(${_ravelin_deps_file})
if(NOT _ravelin_deps_reported)
  set(_ravelin_deps_reported ON)
  message(STATUS "Third-party libraries for ${RAVELIN_MINGW_TRIPLE}: ${RAVELIN_DEPS_VERSIONS}")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${RAVELIN_MINGW_TRIPLE} ${RAVELIN_DEPS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads only the prefixes' own .pc files.
set(_ravelin_pc_path "")
foreach(_prefix IN LISTS RAVELIN_DEPS_PREFIXES)
  list(APPEND _ravelin_pc_path ${_prefix}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" _ravelin_pc_path "${_ravelin_pc_path}")
set(ENV{PKG_CONFIG_LIBDIR} "${_ravelin_pc_path}")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# On Debian every -dev package's headers share /usr/include, and code may
# include through it (<utf8cpp/utf8.h>); the prefixes' include folders stand
# in for it here.
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES "")
foreach(_prefix IN LISTS RAVELIN_DEPS_PREFIXES)
  if(IS_DIRECTORY ${_prefix}/include)
    list(APPEND CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${_prefix}/include)
  endif()
endforeach()
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${CMAKE_C_STANDARD_INCLUDE_DIRECTORIES})
set(CMAKE_RC_STANDARD_INCLUDE_DIRECTORIES "")

# ICU is a static library here: its headers must not declare imports.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/modules)

# The GCC runtime, libstdc++ and winpthread are DLLs that every module shares
# (cmake/WindowsRuntime.cmake says why and ships them); the third-party
# libraries above are static archives and go into the modules that use them.
