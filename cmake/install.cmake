# cmake --install <build> [--prefix <prefix>]:
#   bin/drivesetup                  the program
#   lib/drivesetup/                 its shared libraries and the plug-in
#   share/drivesetup/               the data files (see data_files.cmake)
#   share/doc/drivesetup/           README and docs
# The libraries are private to the program, hence their own folder; every
# binary finds the ones it needs through a RUNPATH relative to itself, so the
# prefix can be moved as a whole.
set(DRIVESETUP_INSTALL_LIBDIR lib/drivesetup)

set(drivesetup_libraries input_reader timebase platform kernel kernel_ui sclplugin)
foreach(library IN LISTS drivesetup_libraries)
  if(TARGET ${library})
    set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${library} LIBRARY DESTINATION ${DRIVESETUP_INSTALL_LIBDIR})
  endif()
endforeach()
if(TARGET drivesetup)
  set_target_properties(drivesetup PROPERTIES INSTALL_RPATH "$ORIGIN/../${DRIVESETUP_INSTALL_LIBDIR}")
  install(TARGETS drivesetup RUNTIME DESTINATION bin)
endif()

install(DIRECTORY ${DRIVESETUP_DATA_DIR}/ DESTINATION share/drivesetup)
install(FILES README.md DESTINATION share/doc/drivesetup)
install(DIRECTORY docs/ DESTINATION share/doc/drivesetup/docs)
