cmake_minimum_required(VERSION 3.25)

# Run as: cmake -DNM=<nm> -DMODULE=<library> -P check_exports.cmake
# Fails unless the library's dynamic symbol table defines exactly the
# plug-in's outer face: its five functions and its one integer flag.

set(functions EditSetup ComputeAllOptions OnInitParam GetScaleFactor GetScaleOffset)
set(flag g_bKufSinusoidalMode)

execute_process(COMMAND ${NM} -D --defined-only --print-size ${MODULE}
                OUTPUT_VARIABLE listing ERROR_VARIABLE nm_error RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "${NM} could not list the dynamic symbols of ${MODULE}: ${nm_error}")
endif()

set(offences "")
set(found "")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  # "<address> [<size>] <type> <name>"; a symbol without a size has none.
  if(NOT line MATCHES "^[0-9a-f]+ +(([0-9a-f]+) +)?([A-Za-z]) +([^ ]+)$")
    continue()
  endif()
  set(size "${CMAKE_MATCH_2}")
  set(type "${CMAKE_MATCH_3}")
  set(name "${CMAKE_MATCH_4}")
  if(name IN_LIST functions)
    if(NOT type STREQUAL "T")
      list(APPEND offences "${name} is not a function (type ${type})")
    endif()
  elseif(name STREQUAL flag)
    if(NOT type MATCHES "^[BD]$" OR NOT size MATCHES "^0*4$")
      list(APPEND offences "${name} is not a 32-bit integer (type ${type}, size ${size})")
    endif()
  else()
    list(APPEND offences "${name} is exported")
  endif()
  list(APPEND found ${name})
endforeach()


# Missing exports first: the list of extra ones may be long.
foreach(name IN LISTS functions flag)
  if(NOT name IN_LIST found)
    list(PREPEND offences "${name} is missing")
  endif()
endforeach()

if(offences)
  list(LENGTH offences count)
  list(SUBLIST offences 0 20 shown)
  list(JOIN shown "\n  " text)
  message(FATAL_ERROR "${MODULE} does not show exactly the plug-in's outer face (${count} offences):\n  ${text}")
endif()
message(STATUS "${MODULE} exports exactly the five functions and the flag.")
