# The layer check (wb_check_layer in cmake/WebBrowserHelpers.cmake) on a scratch project: an
# include that reaches a higher layer fails the configuration however it is written, and the
# includes a layer may make pass. Run with -DHELPERS=<the helpers file> -DWORK=<a scratch
# folder> -DCMAKE=<cmake>.
cmake_minimum_required(VERSION 3.25)

# Each case: a name, the file to write below the scratch root, its include line, and the
# text the configuration must print ("" for a configuration that passes).
set(cases
  "dot-dot from the root|support/a.cpp|#include \"support/../model/x.h\"|must not include model/x.h"
  "dot-dot beside the file|support/a.cpp|#include \"../model/x.h\"|must not include model/x.h"
  "dot segments|support/a.cpp|#  include \"./support/./../model/x.h\"|must not include model/x.h"
  "plain|support/a.cpp|#include \"model/x.h\"|must not include model/x.h"
  "through a shared test header|tests/core/a_test.cpp|#include \"tests/common/up.h\"|must not include model/x.h"
  "own layer|support/a.cpp|#include \"support/b.h\"|"
  "own layer through dot-dot|support/a.cpp|#include \"model/../support/b.h\"|"
  "a package header|support/a.cpp|#include <string>|")

set(failures 0)
set(index 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  list(GET parts 2 line)
  list(GET parts 3 expected)
  math(EXPR index "${index} + 1")
  set(root ${WORK}/case${index})
  file(REMOVE_RECURSE ${root})
  file(WRITE ${root}/model/x.h "#pragma once\n")
  file(WRITE ${root}/support/b.h "#pragma once\n")
  file(WRITE ${root}/tests/common/up.h "#pragma once\n#include \"model/x.h\"\n")
  file(WRITE ${root}/${file} "${line}\n")
  file(WRITE ${root}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(layer_check LANGUAGES NONE)
include(${HELPERS})
add_custom_target(low)
wb_check_layer(low FOLDERS support tests/core FORBIDDEN model)
")
  execute_process(COMMAND ${CMAKE} -S ${root} -B ${root}/build RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \t\n]+" " " output "${output}")
  if(expected STREQUAL "")
    if(NOT result EQUAL 0)
      message(SEND_ERROR "${name}: the configuration failed: ${output}")
      math(EXPR failures "${failures} + 1")
    endif()
  elseif(result EQUAL 0 OR NOT output MATCHES "${expected}")
    message(SEND_ERROR "${name}: expected a failure saying \"${expected}\", got ${result}: ${output}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} layer check cases failed")
endif()
message(STATUS "every layer check case holds")
