# The program's data files (templates, bitmaps, strings, combo data, the
# motor database, test program images, example setups) sit in
# share/drivesetup beside the program's bin/ folder, in a build tree as in an
# installation, so that the programs find them the same way in both and never
# through a path into the source tree.
set(DRIVESETUP_DATA_DIR ${CMAKE_BINARY_DIR}/share/drivesetup)

file(GLOB_RECURSE drivesetup_resource_files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
     ${PROJECT_SOURCE_DIR}/resources/*)
list(FILTER drivesetup_resource_files EXCLUDE REGEX "^resources/README\\.md$")
file(GLOB drivesetup_example_files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
     ${PROJECT_SOURCE_DIR}/examples/*.json)
set(drivesetup_data_files ${drivesetup_resource_files} ${drivesetup_example_files})

# The list itself is a dependency: a file that leaves the tree changes it, and
# the copy is then made afresh instead of keeping the old file.
set(drivesetup_data_list ${CMAKE_BINARY_DIR}/drivesetup_data_files.txt)
string(REPLACE ";" "\n" drivesetup_data_text "${drivesetup_data_files}")
file(CONFIGURE OUTPUT ${drivesetup_data_list} CONTENT "${drivesetup_data_text}\n")

list(TRANSFORM drivesetup_data_files PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE drivesetup_data_sources)
set(drivesetup_data_stamp ${CMAKE_BINARY_DIR}/drivesetup_data.stamp)
add_custom_command(
  OUTPUT ${drivesetup_data_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${DRIVESETUP_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/resources ${DRIVESETUP_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${DRIVESETUP_DATA_DIR}/README.md
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DRIVESETUP_DATA_DIR}/examples
  COMMAND ${CMAKE_COMMAND} -E copy ${drivesetup_example_files} ${DRIVESETUP_DATA_DIR}/examples
  COMMAND ${CMAKE_COMMAND} -E touch ${drivesetup_data_stamp}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  DEPENDS ${drivesetup_data_sources} ${drivesetup_data_list}
  COMMENT "Copying the data files to share/drivesetup"
  VERBATIM)
add_custom_target(drivesetup_data ALL DEPENDS ${drivesetup_data_stamp})
