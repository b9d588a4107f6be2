# Reads the built ZARN.FLT as a file, with the MinGW binutils, so that every
# machine checks the artifact the host loads, whether or not it can run it:
# the four undecorated exports, the two dialog templates with their captions
# and control ids, and the 130 x 32, 8-bit logo bitmap.
#   cmake -DOBJDUMP=... -DWINDRES=... -DMODULE=.../ZARN.FLT -P check-module.cmake
cmake_minimum_required(VERSION 3.25)
set(failures)

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${MODULE}: objdump failed: ${err}")
endif()
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(exports)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)
set(expected LibClassDesc LibDescription LibNumberClasses LibVersion)
if(NOT exports STREQUAL expected)
  list(APPEND failures "exports are '${exports}', not '${expected}'")
endif()

execute_process(COMMAND ${WINDRES} -i ${MODULE} -O rc OUTPUT_VARIABLE script RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${MODULE}: windres failed: ${err}")
endif()

# The text of one dialog template, from its header to its END.
function(dialog_text id out)
  string(REGEX MATCH "\n${id} DIALOG [^\n]*\n([^\n]*\n)*END\n" text "${script}")
  string(FIND "${text}" "\nEND\n" end)
  if(end GREATER 0)
    string(SUBSTRING "${text}" 0 ${end} text)
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(expect_in what text pattern)
  string(REGEX MATCH "${pattern}" found "${text}")
  if(NOT found)
    set(failures ${failures} "${what}: no match for ${pattern}" PARENT_SCOPE)
  endif()
endfunction()

dialog_text(101 about)
expect_in("dialog 101" "${about}" "\nCAPTION \"About Image Zarn\"\n")
expect_in("dialog 101" "${about}" "CONTROL \"OK\", 1, \"BUTTON\"")
expect_in("dialog 101" "${about}" "CONTROL 102, 65535, \"STATIC\"")
dialog_text(102 control)
expect_in("dialog 102" "${control}" "\nCAPTION \"Image Zarn Control\"\n")
expect_in("dialog 102" "${control}" "CONTROL \"OK\", 1, \"BUTTON\"")
expect_in("dialog 102" "${control}" "CONTROL \"Cancel\", 2, \"BUTTON\"")
expect_in("dialog 102" "${control}" "CONTROL \"Flip Horizontally\\?\", 1002, \"BUTTON\"")
expect_in("dialog 102" "${control}" "CONTROL \"Flip Vertically\\?\", 1003, \"BUTTON\"")
# The bitmap's header: 40 bytes, 130 wide, 32 high, one plane of 8 bits.
expect_in("bitmap 102" "${script}" "\n102 2 /\\* RT_BITMAP \\*/\nBEGIN\n +0x28L *, 0x82L *, 0x20L *, 0x80001L")

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${MODULE}:\n  ${text}")
endif()
message(STATUS "${MODULE}: exports ${exports}; dialogs 101 and 102; bitmap 102 130x32x8")
