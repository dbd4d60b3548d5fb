# The layering check: the kernel core, the register engine and the simulated
# drive stand without the UI framework, the dialogs and the tests above
# them, in their includes and in what their targets link.

# Every target's direct links, written at generate time when they are final.
set(layering_targets timebase platform kernel kernel_ui engine drive dialogs commissioning sclplugin hostcore)
set(layering_links "")
foreach(target IN LISTS layering_targets)
  if(TARGET ${target})
    string(APPEND layering_links
      "${target}=$<JOIN:$<TARGET_PROPERTY:${target},LINK_LIBRARIES>,$<COMMA>>,"
      "$<JOIN:$<TARGET_PROPERTY:${target},INTERFACE_LINK_LIBRARIES>,$<COMMA>>\n")
  endif()
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/layering/links.txt CONTENT "${layering_links}")

add_test(NAME Layering.CoreStandsWithoutTheUi
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DLINKS=${CMAKE_BINARY_DIR}/layering/links.txt
          -P ${CMAKE_CURRENT_LIST_DIR}/check_layering.cmake)
set_tests_properties(Layering.CoreStandsWithoutTheUi PROPERTIES LABELS unit TIMEOUT 60)

# The check itself, on a small tree with one offence of each kind.
add_test(NAME Layering.CheckNamesEachOffence
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}/bad_tree
          -DLINKS=${CMAKE_CURRENT_LIST_DIR}/bad_tree/links.txt -P ${CMAKE_CURRENT_LIST_DIR}/check_layering.cmake)
set_tests_properties(Layering.CheckNamesEachOffence PROPERTIES LABELS unit TIMEOUT 60
  PASS_REGULAR_EXPRESSION "kernel/setup\\.h includes kernel/ui/edit_setup_dlg\\.h.*engine/gain\\.cpp includes platform/ui\\.h.*drive links platform \\(through drive -> kernel\\)")
