# What the release packages hold comes from the install rules alone: the Debian packages are
# made by CPack from them, and scripts/package.sh hands wixl a `cmake --install` staging tree.
#
# Components: `runtime` (the libraries, the tool, the documents; on Windows the runtime DLLs
# too) and `dev` (headers, the libraries' link names and import libraries, the CMake package).

set(RAVELIN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/ravelin)
install(FILES README.md docs/architecture.md docs/block-format.md docs/com.md
  DESTINATION ${RAVELIN_DOC_DIR} COMPONENT runtime)

# A Debian package's own files: each package's copyright and changelog in its documents folder,
# as Debian policy asks. Only a build made for the Debian packages installs them.
option(RAVELIN_DEBIAN_PACKAGE "Install the Debian packages' copyright and changelog files" OFF)
set(RAVELIN_PACKAGE_CONTACT "Ravelin developers <dev@ravelin.invalid>")
if(RAVELIN_DEBIAN_PACKAGE)
  string(TIMESTAMP RAVELIN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${changelog} @ONLY)
  find_program(RAVELIN_GZIP gzip REQUIRED)
  # -n: no name or time stamp inside, so that the same text gives the same file.
  execute_process(COMMAND ${RAVELIN_GZIP} -9nf ${changelog} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${changelog}")
  endif()
  foreach(package_component ravelin:runtime ravelin-dev:dev)
    string(REPLACE ":" ";" package_component ${package_component})
    list(GET package_component 0 package)
    list(GET package_component 1 component)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${changelog}.gz
      DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  endforeach()
endif()

set(CPACK_PACKAGE_NAME ravelin)
set(CPACK_PACKAGE_VENDOR "Ravelin")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${RAVELIN_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL runtime dev)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ravelin.invalid/")
# Dependencies on system libraries come from dpkg-shlibdeps reading the binaries; the shlibs
# file lets other packages' binaries depend on these libraries the same way.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ravelin)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The loader's cache is refreshed once per dpkg run, by trigger, rather than by each package.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME ravelin-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The development files name one exact build of the libraries.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# A Debian description: the synopsis line, then the long text.
file(READ ${PROJECT_SOURCE_DIR}/packaging/debian/description ravelin_description)
string(STRIP "${ravelin_description}" ravelin_description)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "venue, client and design libraries with their command-line tool\n${ravelin_description}")
set(CPACK_DEBIAN_DEV_DESCRIPTION "development files of the Ravelin libraries\n${ravelin_description}\n.\nThis package holds the headers, the libraries' link names and the CMake\npackage: find_package(Ravelin) gives the targets Ravelin::setups,\nRavelin::vod and Ravelin::client.")

include(CPack)
cpack_add_component(runtime DISPLAY_NAME "Libraries and tool")
cpack_add_component(dev DISPLAY_NAME "Development files" DEPENDS runtime)
