# Cross-compiling for 32-bit Windows, the libraries' own target, with Debian's
# MinGW-w64 (posix threads).
set(RAVELIN_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR X86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
