# quorrel_add_resources(target): the icon, the common-controls manifest, the built-in skin picture
# and "empty.exe" (once its target exists) become resources of `target`.
function(quorrel_add_resources target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/res/quorrel.rc)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${CMAKE_SOURCE_DIR}/res>)
  # The compiler does not report the files the script pulls in, so name them here.
  set(depends ${CMAKE_SOURCE_DIR}/res/quorrel.ico ${CMAKE_SOURCE_DIR}/res/quorrel.manifest
      ${CMAKE_SOURCE_DIR}/res/skin.jpg ${CMAKE_SOURCE_DIR}/res/resource_ids.h)
  if(TARGET empty_tool)
    # OBJECT_DEPENDS takes no generator expressions; the tool is built into the top build folder.
    list(APPEND depends ${CMAKE_BINARY_DIR}/empty.exe)
  endif()
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/res/quorrel.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
    OBJECT_DEPENDS ${depends})
  if(TARGET empty_tool)
    add_dependencies(${target} empty_tool)
    target_compile_options(${target} PRIVATE
      "$<$<COMPILE_LANGUAGE:RC>:-I$<TARGET_FILE_DIR:empty_tool>>"
      "$<$<COMPILE_LANGUAGE:RC>:-DQUORREL_EMBED_EMPTY_EXE>")
  endif()
endfunction()

# quorrel_add_version_resource(target description filename): a VS_VERSION_INFO resource with
# the project's version (CMakeLists.txt's project() line), the description (UTF-8; shown in
# Explorer and Task Manager), the publisher and the licence.
function(quorrel_add_version_resource target description filename)
  set(QUORREL_RC_TARGET ${target})
  set(QUORREL_RC_DESCRIPTION ${description})
  set(QUORREL_RC_FILENAME ${filename})
  set(rc ${CMAKE_BINARY_DIR}/generated/${target}.version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/res/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY
    OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/quorrel_version.h)
endfunction()
