# ravelin_embed_resources(<target> RESOURCE <name> <type> <file> [RESOURCE ...])
#
# Embeds files in a module as named, typed resources that FindModuleResource
# (platform/win32/Resource.h) finds through the module's handle. A name or type
# written as a number ("101" or "#101") is an integer identifier, anything else
# a text. The files are read at build time, so editing one rebuilds the module.
# The target gets a generated source holding the bytes and the exported table
# of platform/win32/ResourceTable.h.
function(ravelin_embed_resources target)
  set(args ${ARGN})
  list(LENGTH args count)
  math(EXPR remainder "${count} % 4")
  if(count EQUAL 0 OR NOT remainder EQUAL 0)
    message(FATAL_ERROR "ravelin_embed_resources(${target}): expected RESOURCE <name> <type> <file> groups")
  endif()
  set(listing "")
  set(files "")
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 4)
    math(EXPR n "${i} + 1")
    math(EXPR t "${i} + 2")
    math(EXPR f "${i} + 3")
    list(GET args ${i} keyword)
    list(GET args ${n} name)
    list(GET args ${t} type)
    list(GET args ${f} file)
    if(NOT keyword STREQUAL "RESOURCE")
      message(FATAL_ERROR "ravelin_embed_resources(${target}): expected RESOURCE, got ${keyword}")
    endif()
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    string(APPEND listing "${name}|${type}|${file}\n")
    list(APPEND files "${file}")
  endforeach()

  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
  set(listFile "${dir}/resources.txt")
  set(output "${dir}/resources.cpp")
  # Only a changed list touches the file, so an unchanged one rebuilds nothing.
  file(CONFIGURE OUTPUT "${listFile}" CONTENT "${listing}" @ONLY)
  set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/EmbedResourcesScript.cmake")
  add_custom_command(OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -DLISTING=${listFile} -DOUTPUT=${output} -P "${script}"
    DEPENDS "${listFile}" "${script}" ${files}
    COMMENT "Embedding resources in ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
  target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:win32,INTERFACE_INCLUDE_DIRECTORIES>)
endfunction()
