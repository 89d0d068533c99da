# Records in the program what a Debian package of it, or of a branded copy of it, needs:
# the architecture and the Depends list that dpkg-shlibdeps computes from the program and
# wbctl. The list goes into the section ".webbrowser.depends" of the program (which every
# copy carries, since a copy is the program's ELF image with blocks after it) and into a file
# beside it, which the program's own package reads (cmake/Packaging.cmake), so the two lists
# are one. Run with cmake -P before the shipped block is appended.
#
#   -DPROGRAM=path -DTOOL=path -DOUT=path/depends.txt -DOBJCOPY=path -DSHLIBDEPS=path
#   -DDPKG=path -DWORK=folder
foreach(var PROGRAM TOOL OUT OBJCOPY SHLIBDEPS DPKG WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "record_depends.cmake needs -D${var}=...")
  endif()
endforeach()

# dpkg-shlibdeps reads the package's name from a control file in its working folder.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/debian)
file(WRITE ${WORK}/debian/control "Source: webbrowser\n\nPackage: webbrowser\nArchitecture: any\n")
execute_process(
  COMMAND ${SHLIBDEPS} -O ${PROGRAM} ${TOOL}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE shlibs ERROR_VARIABLE warnings RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${warnings}")
endif()
string(REGEX MATCH "shlibs:Depends=([^\n]*)" found "${shlibs}")
if(NOT found OR CMAKE_MATCH_1 STREQUAL "")
  message(FATAL_ERROR "dpkg-shlibdeps gave no Depends list: ${shlibs}")
endif()
set(depends "${CMAKE_MATCH_1}")
execute_process(COMMAND ${DPKG} --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR arch STREQUAL "")
  message(FATAL_ERROR "dpkg --print-architecture failed")
endif()
file(REMOVE_RECURSE ${WORK})

file(WRITE ${OUT}.new "Architecture: ${arch}\nDepends: ${depends}\n")
file(RENAME ${OUT}.new ${OUT})
execute_process(
  COMMAND ${OBJCOPY} --remove-section=.webbrowser.depends
          --add-section .webbrowser.depends=${OUT}
          --set-section-flags .webbrowser.depends=readonly ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objcopy could not add the Depends record to ${PROGRAM}")
endif()
