# SPDX-License-Identifier: Apache-2.0
# Installs the build in BUILD_DIR into a fresh prefix under /tmp (outside
# the build tree, so nothing can be found there by accident), builds and runs
# the README's samples with find_package(oryxutil CONFIG) and with
# pkg-config, and starts the installed tools. A failed check leaves the
# prefix for inspection.
file(REMOVE_RECURSE ${WORK_DIR})
string(RANDOM LENGTH 10 suffix)
set(prefix /tmp/oryxutil-install-${suffix})

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# The README's samples, built with its CMake project and its pkg-config line
# against the prefix, run with the library found through LD_LIBRARY_PATH.
file(GLOB_RECURSE pcfile ${prefix}/oryxutil.pc)
get_filename_component(pcdir "${pcfile}" DIRECTORY)
get_filename_component(libdir "${pcdir}" DIRECTORY)
run(${CMAKE_COMMAND} -E env CMAKE_PREFIX_PATH=${prefix} PKG_CONFIG_PATH=${pcdir} LD_LIBRARY_PATH=${libdir}
    ${PYTHON} ${README_SAMPLES} run ${README} ${WORK_DIR}/readme)
if(NOT LAST_OUTPUT MATCHES "README samples: all passed")
  message(FATAL_ERROR "README samples:\n${LAST_OUTPUT}")
endif()

# The installed tools start from this prefix through their RUNPATH alone:
# no LD_LIBRARY_PATH, and the library they load is the prefix's own.
# (oryx-profile only reads trace files: it does not load the library.)
foreach(tool oryx-export oryx-tao-args oryx-profile)
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${prefix}/bin/${tool} --version)
  if(NOT LAST_OUTPUT MATCHES "^${tool} \\(oryxutil\\) [0-9]+\\.[0-9]+\\.[0-9]+\n$")
    message(FATAL_ERROR "${tool} --version printed: ${LAST_OUTPUT}")
  endif()
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ldd ${prefix}/bin/${tool})
  if(NOT tool STREQUAL "oryx-profile" AND NOT LAST_OUTPUT MATCHES "liboryxutil[^\n]*=> ${prefix}/")
    message(FATAL_ERROR "${tool} does not load the library of ${prefix}:\n${LAST_OUTPUT}")
  endif()
  foreach(file share/bash-completion/completions/${tool})
    if(NOT EXISTS ${prefix}/${file})
      message(FATAL_ERROR "not installed: ${file}")
    endif()
  endforeach()
endforeach()
file(GLOB pages ${prefix}/share/man/man1/oryx-*.1)
list(LENGTH pages pageCount)
if(HAVE_HELP2MAN AND NOT pageCount EQUAL 3)
  message(FATAL_ERROR "man pages installed: ${pages}")
endif()
file(WRITE ${WORK_DIR}/in.csv "a,b\n1,2\n")
run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${prefix}/bin/oryx-export -q -f xml -o - ${WORK_DIR}/in.csv)
if(NOT LAST_OUTPUT MATCHES "<column name=\"b\">2</column>")
  message(FATAL_ERROR "installed oryx-export wrote: ${LAST_OUTPUT}")
endif()
file(REMOVE_RECURSE ${prefix})
