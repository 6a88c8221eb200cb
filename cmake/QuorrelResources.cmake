# quorrel_add_resources(target): the icon, the common-controls manifest, the built-in skin picture
# and "empty.exe" (once its target exists) become resources of `target`.
function(quorrel_add_resources target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/res/quorrel.rc)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${CMAKE_SOURCE_DIR}/res>)
  if(TARGET empty_tool)
    add_dependencies(${target} empty_tool)
    target_compile_options(${target} PRIVATE
      "$<$<COMPILE_LANGUAGE:RC>:-I$<TARGET_FILE_DIR:empty_tool>>"
      "$<$<COMPILE_LANGUAGE:RC>:-DQUORREL_EMBED_EMPTY_EXE>")
  endif()
endfunction()
