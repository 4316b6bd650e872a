# Helpers shared by every directory of the tree.

# ravelin_add_library(<target> EXPORT_NAME <name> BUILDING_DEFINE <macro>
#                     [SOURCES ...] [HEADERS ...] [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A shared library with hidden visibility, aliased Ravelin::<name>. HEADERS are
# installed under include/ravelin/ keeping their path from the repository root,
# which is also the include root inside the tree.
function(ravelin_add_library target)
  cmake_parse_arguments(A "" "EXPORT_NAME;BUILDING_DEFINE" "SOURCES;HEADERS;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  # The anchor keeps a library valid before its first source file arrives.
  set(anchor ${CMAKE_CURRENT_BINARY_DIR}/${target}_anchor.cpp)
  if(NOT EXISTS ${anchor})
    file(WRITE ${anchor} "// Generated: gives the library one translation unit of its own.\nnamespace { [[maybe_unused]] constexpr int k${target}Anchor = 0; }\n")
  endif()
  add_library(${target} SHARED ${anchor} ${A_SOURCES})
  add_library(Ravelin::${A_EXPORT_NAME} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${A_EXPORT_NAME}
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  target_compile_definitions(${target} PRIVATE ${A_BUILDING_DEFINE})
  target_sources(${target} PUBLIC FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR} FILES ${A_HEADERS})
  if(A_PUBLIC_LIBS)
    target_link_libraries(${target} PUBLIC ${A_PUBLIC_LIBS})
  endif()
  if(A_PRIVATE_LIBS)
    target_link_libraries(${target} PRIVATE ${A_PRIVATE_LIBS})
  endif()
  install(TARGETS ${target} EXPORT RavelinTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ravelin
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ravelin)
endfunction()

# ravelin_add_test(<name> SOURCES ... [LIBS ...])
# A GoogleTest program registered with CTest. It runs in its source directory;
# RAVELIN_TEST_DATA_DIR names tests/data.
function(ravelin_add_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    RAVELIN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS unit)
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
