# Records in the program what a Debian package of it, or of a branded copy of it, needs:
# the architecture and the Depends list that dpkg-shlibdeps computes from the program alone.
# The list goes into the section ".webbrowser.depends" of the program (which every copy
# carries, since a copy is the program's ELF image with blocks after it) and into a file
# beside it (OUT). The program's own package, which holds wbctl too, reads the list of both
# binaries from PACKAGE_OUT (cmake/Packaging.cmake). Run with cmake -P before the shipped
# block is appended.
#
#   -DPROGRAM=path -DTOOL=path -DOUT=path/depends.txt -DPACKAGE_OUT=path/package-depends.txt
#   -DOBJCOPY=path -DSHLIBDEPS=path -DDPKG=path -DWORK=folder
foreach(var PROGRAM TOOL OUT PACKAGE_OUT OBJCOPY SHLIBDEPS DPKG WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "record_depends.cmake needs -D${var}=...")
  endif()
endforeach()

# The Depends list dpkg-shlibdeps computes for the binaries ${ARGN}, in `out`. dpkg-shlibdeps
# reads the package's name from a control file in its working folder.
function(shlib_depends out)
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK}/debian)
  file(WRITE ${WORK}/debian/control "Source: webbrowser\n\nPackage: webbrowser\nArchitecture: any\n")
  execute_process(
    COMMAND ${SHLIBDEPS} -O ${ARGN}
    WORKING_DIRECTORY ${WORK}
    OUTPUT_VARIABLE shlibs ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps failed: ${warnings}")
  endif()
  string(REGEX MATCH "shlibs:Depends=([^\n]*)" found "${shlibs}")
  if(NOT found OR CMAKE_MATCH_1 STREQUAL "")
    message(FATAL_ERROR "dpkg-shlibdeps gave no Depends list: ${shlibs}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# A branded copy is the program alone: its package depends on what the program links, not on
# the libraries only wbctl needs (libarchive for the packages it writes). The program's own
# package ships wbctl beside it and depends on what both link.
shlib_depends(depends ${PROGRAM})
shlib_depends(packageDepends ${PROGRAM} ${TOOL})
execute_process(COMMAND ${DPKG} --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR arch STREQUAL "")
  message(FATAL_ERROR "dpkg --print-architecture failed")
endif()
file(REMOVE_RECURSE ${WORK})

file(WRITE ${OUT}.new "Architecture: ${arch}\nDepends: ${depends}\n")
file(RENAME ${OUT}.new ${OUT})
file(WRITE ${PACKAGE_OUT}.new "Architecture: ${arch}\nDepends: ${packageDepends}\n")
file(RENAME ${PACKAGE_OUT}.new ${PACKAGE_OUT})
execute_process(
  COMMAND ${OBJCOPY} --remove-section=.webbrowser.depends
          --add-section .webbrowser.depends=${OUT}
          --set-section-flags .webbrowser.depends=readonly ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objcopy could not add the Depends record to ${PROGRAM}")
endif()
