# Helpers shared by every directory of the tree.

# ravelin_add_library(<target> EXPORT_NAME <name> BUILDING_DEFINE <macro> [OWN_VERSION_RESOURCE]
#                     [DESCRIPTION <text>]
#                     [SOURCES ...] [HEADERS ...] [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A shared library with hidden visibility, aliased Ravelin::<name>. HEADERS are
# installed under include/ravelin/ keeping their path from the repository root,
# which is also the include root inside the tree.
#
# The file carries the project's prefix (libravelin_dao.so, ravelin_dao.dll), so
# that a stand-in never collides with a system's own libdao or libwin32. A
# Windows DLL gets version information made from the project's version and
# DESCRIPTION, unless its own resource script has it (OWN_VERSION_RESOURCE).
function(ravelin_add_library target)
  cmake_parse_arguments(A "OWN_VERSION_RESOURCE" "EXPORT_NAME;BUILDING_DEFINE;DESCRIPTION"
    "SOURCES;HEADERS;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  # The anchor keeps a library valid before its first source file arrives.
  set(anchor ${CMAKE_CURRENT_BINARY_DIR}/${target}_anchor.cpp)
  if(NOT EXISTS ${anchor})
    file(WRITE ${anchor} "// Generated: gives the library one translation unit of its own.\nnamespace { [[maybe_unused]] constexpr int k${target}Anchor = 0; }\n")
  endif()
  add_library(${target} SHARED ${anchor} ${A_SOURCES})
  add_library(Ravelin::${A_EXPORT_NAME} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${A_EXPORT_NAME}
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  set(output_name ${target})
  if(NOT target MATCHES "^ravelin_")
    set(output_name ravelin_${target})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name})
  endif()
  if(WIN32)
    # A DLL is named as on Windows (ravelin_vod.dll); its import library keeps the
    # lib prefix that MinGW's linker looks for.
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(NOT A_OWN_VERSION_RESOURCE)
      if(NOT A_DESCRIPTION)
        set(A_DESCRIPTION "Ravelin ${A_EXPORT_NAME} library")
      endif()
      ravelin_add_version_resource(${target} ${output_name} "${A_DESCRIPTION}")
    endif()
  else()
    # Installed next to each other: a library finds the ones it needs beside itself.
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    # Every library takes something of the C library (at least __cxa_finalize, weakly), so it
    # names it even where --as-needed would see no strong use.
    target_link_options(${target} PRIVATE "LINKER:--push-state,--no-as-needed,-lc,--pop-state")
  endif()
  target_compile_definitions(${target} PRIVATE ${A_BUILDING_DEFINE})
  target_sources(${target} PUBLIC FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR} FILES ${A_HEADERS})
  if(A_PUBLIC_LIBS)
    target_link_libraries(${target} PUBLIC ${A_PUBLIC_LIBS})
  endif()
  if(A_PRIVATE_LIBS)
    target_link_libraries(${target} PRIVATE ${A_PRIVATE_LIBS})
  endif()
  # Components split what hosts run (runtime) from what their builds need (dev); the Debian
  # packages follow them. A shared object is not a program: it installs without execute bits.
  install(TARGETS ${target} EXPORT RavelinTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
      PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ravelin COMPONENT dev
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ravelin)
endfunction()

# ravelin_add_version_resource(<target> <file base name> <description>)
# Compiles version information (cmake/VersionInfo.rc.in) into a Windows DLL or
# program, so that Explorer, installers and registration tools read its version.
function(ravelin_add_version_resource target base description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(RAVELIN_RC_FILE_TYPE VFT_APP)
    set(RAVELIN_RC_FILE_NAME ${base}${CMAKE_EXECUTABLE_SUFFIX})
  else()
    set(RAVELIN_RC_FILE_TYPE VFT_DLL)
    set(RAVELIN_RC_FILE_NAME ${base}${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  set(RAVELIN_RC_INTERNAL_NAME ${base})
  set(RAVELIN_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# ravelin_add_test(<name> SOURCES ... [LIBS ...])
# A GoogleTest program registered with CTest. It runs in its source directory;
# RAVELIN_TEST_DATA_DIR names tests/data. SERIAL: its tests never run beside others (they stop or
# restart something the others use).
function(ravelin_add_test name)
  cmake_parse_arguments(A "SERIAL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gmock ravelin_test_main)
  target_compile_definitions(${name} PRIVATE
    RAVELIN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    DISCOVERY_MODE PRE_TEST
    # Listing a program's tests under an emulator (wine) may have to wait for it to start.
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS unit RUN_SERIAL ${A_SERIAL})
endfunction()

# ravelin_add_benchmark(<name> SOURCES ... [LIBS ...])
function(ravelin_add_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT RAVELIN_BUILD_BENCHMARKS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# The platform whose files stand behind the seams: every seam that touches the
# system has one <seam>_<platform>.cpp per platform, and CMake picks the ones
# named here. A further platform adds its name below and its own files.
if(WIN32)
  set(RAVELIN_PLATFORM windows)
  set(RAVELIN_PLATFORM_TITLE Windows)
  # Modules carry resources in sections compiled from .rc files.
  enable_language(RC)
else()
  set(RAVELIN_PLATFORM posix)
  set(RAVELIN_PLATFORM_TITLE Posix)
endif()

# ravelin_platform_sources(<var> <stem>...)
# Sets <var> to <stem>_${RAVELIN_PLATFORM}.cpp for every stem.
function(ravelin_platform_sources var)
  set(files "")
  foreach(stem IN LISTS ARGN)
    list(APPEND files ${stem}_${RAVELIN_PLATFORM}.cpp)
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# ravelin_platform_tests(<var> <stem>...)
# Sets <var> to <stem>${RAVELIN_PLATFORM_TITLE}Test.cpp for every stem: the
# tests of what only this platform has, next to the <stem>Test.cpp all share.
function(ravelin_platform_tests var)
  set(files "")
  foreach(stem IN LISTS ARGN)
    list(APPEND files ${stem}${RAVELIN_PLATFORM_TITLE}Test.cpp)
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()
