# SPDX-License-Identifier: Apache-2.0
# CPack pre-build script: gzip -9n every man page left uncompressed in the
# staging tree.
file(GLOB_RECURSE files ${CPACK_TEMPORARY_DIRECTORY}/*)
foreach(file IN LISTS files)
  if(file MATCHES "/share/man/man[1-9]/[^/]+\\.[1-9]$")
    execute_process(COMMAND gzip -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
