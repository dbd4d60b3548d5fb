cmake_minimum_required(VERSION 3.25)

# Run as: cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DVERSION=<x.y.z>
#               [-DSANITIZED=ON] -P check_install.cmake
# Installs the build into a fresh prefix and runs the installed program from
# an empty folder, with no environment pointing anywhere, the way a user
# would after `cmake --install`. Binaries are stripped, so that a path into
# the source or build tree left in them can only be one the code uses; the
# check fails on any such path, since the installation must not depend on
# either tree still being there.

# A scratch folder outside both trees, of its own for each run.
set(temp_root /tmp)
if(DEFINED ENV{TMPDIR} AND IS_DIRECTORY "$ENV{TMPDIR}")
  set(temp_root $ENV{TMPDIR})
endif()
string(RANDOM LENGTH 12 suffix)
set(WORK_DIR ${temp_root}/drivesetup-install-${suffix})

function(fail)
  string(JOIN "" text ${ARGN})
  file(REMOVE_RECURSE ${WORK_DIR})
  message(FATAL_ERROR "${text}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(run_dir ${WORK_DIR}/run)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${run_dir})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --strip
                OUTPUT_QUIET ERROR_VARIABLE install_error RESULT_VARIABLE install_result)
if(NOT install_result EQUAL 0)
  fail("cmake --install failed: ${install_error}")
endif()

set(program ${prefix}/bin/drivesetup)
foreach(expected bin/drivesetup lib/drivesetup/libsclplugin.so lib/drivesetup/libkernel.so
                 share/drivesetup/dialogs/drive_setup.json share/drivesetup/strings.json
                 share/drivesetup/motors.json share/drivesetup/programs/VDC_Detection_Test.json
                 share/drivesetup/examples/two_phase_open_loop.json)
  if(NOT EXISTS ${prefix}/${expected})
    fail("the installation lacks ${expected}")
  endif()
endforeach()

# No installed file may name the trees it came from. A sanitized build is the
# exception: its checks carry the name of every source file, to report where
# a finding happened; the runs below still show it needs neither tree.
file(GLOB_RECURSE installed LIST_DIRECTORIES false ${prefix}/*)
if(SANITIZED)
  set(installed "")
endif()
foreach(file IN LISTS installed)
  foreach(tree IN ITEMS ${SOURCE_DIR} ${BUILD_DIR})
    file(STRINGS ${file} hits LIMIT_COUNT 1 REGEX "${tree}/")
    if(hits)
      fail("${file} names the tree ${tree}: ${hits}")
    endif()
  endforeach()
endforeach()

# Only the installation's own ways of finding its files count.
set(clean_env ${CMAKE_COMMAND} -E env --unset=DRIVESETUP_GUI_DIR --unset=DRIVESETUP_RESOURCES_DIR
              --unset=DRIVESETUP_PROGRAMS_DIR --unset=LD_LIBRARY_PATH)

function(run_installed output_var)
  execute_process(COMMAND ${clean_env} ${program} ${ARGN} WORKING_DIRECTORY ${run_dir}
                  OUTPUT_VARIABLE output ERROR_VARIABLE error RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(JOIN " " shown ${ARGN})
    fail("drivesetup ${shown} exited with ${result}: ${error}")
  endif()
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

run_installed(version --version)
if(NOT version STREQUAL "drivesetup ${VERSION}\n")
  fail("drivesetup --version printed \"${version}\", not \"drivesetup ${VERSION}\"")
endif()

run_installed(roundtrip roundtrip)
if(NOT roundtrip MATCHES "NoMicroStepsPerStep")
  fail("drivesetup roundtrip printed no setup: ${roundtrip}")
endif()

# The Drive Setup dialog needs the installed templates, bitmaps and strings;
# a microstep count that is not a power of two brings up the string table's
# message and is rounded up.
file(WRITE ${run_dir}/script.json [=[
[
  {"do": "expect-dialog", "caption": "Drive Setup"},
  {"do": "answer", "text": "The number of microsteps per step value must be a power of 2.", "button": "ok"},
  {"do": "type", "id": 1174, "text": "6"},
  {"do": "expect", "id": 1174, "text": "8"},
  {"do": "click", "id": 1}
]
]=])
run_installed(edit edit --script script.json --out edited.json)
file(READ ${run_dir}/edited.json edited)
string(JSON saved_microsteps ERROR_VARIABLE json_error GET "${edited}" parameters NoMicroStepsPerStep internal)
if(NOT saved_microsteps EQUAL 8)
  fail("the edited setup holds NoMicroStepsPerStep ${saved_microsteps} ${json_error}, not 8:\n${edit}")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
