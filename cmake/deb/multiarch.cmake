# SPDX-License-Identifier: Apache-2.0
# CPack post-build script for the shared-library package: adds "Multi-Arch:
# same" to its control file, which CPack cannot write itself, and drops the
# postinst and postrm that CPack writes to run ldconfig (dpkg's ldconfig
# trigger does that already); then rebuilds it with files owned by root.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${deb} NAME)
  if(NOT name MATCHES "^liboryxutil[0-9]+_")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(READ ${tree}/DEBIAN/control control)
  if(NOT control MATCHES "(^|\n)Multi-Arch:")
    file(WRITE ${tree}/DEBIAN/control "Multi-Arch: same\n${control}")
  endif()
  foreach(script postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(READ ${tree}/DEBIAN/${script} text)
      string(REGEX REPLACE "#![^\n]*|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|ldconfig|fi|[ \t\n]" "" rest "${text}")
      if(rest STREQUAL "")
        file(REMOVE ${tree}/DEBIAN/${script})
      else()
        message(FATAL_ERROR "${name}: ${script} does more than run ldconfig:\n${text}")
      endif()
    endif()
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
