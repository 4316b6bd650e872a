# CMake's own FindICU, for the static ICU that scripts/windows-deps.sh builds:
# code using it must see U_STATIC_IMPLEMENTATION (or the headers declare DLL
# imports), and the common library takes its (stub) data and advapi32 along.
include(${CMAKE_ROOT}/Modules/FindICU.cmake)
if(TARGET ICU::uc)
  set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS U_STATIC_IMPLEMENTATION)
  find_library(RAVELIN_ICU_STUBDATA NAMES icudt)
  if(RAVELIN_ICU_STUBDATA)
    set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_LINK_LIBRARIES ${RAVELIN_ICU_STUBDATA})
  endif()
  set_property(TARGET ICU::uc APPEND PROPERTY INTERFACE_LINK_LIBRARIES advapi32)
endif()
