# Makes a program's manual page from its --help text with help2man, compressed as Debian wants it.
#   cmake -DPROGRAM=<path> -DNAME=<program> -DSUMMARY=<one line> -DVERSION=<x.y> -DINCLUDE=<.h2m>
#         [-DCOMMANDS=ON] -DOUTPUT=<dir> -P make_man_page.cmake
# With COMMANDS, the page also carries each command's own help (PROGRAM COMMAND --help), for the
# commands that PROGRAM's usage line lists, so that the page follows the program as it grows.
cmake_minimum_required(VERSION 3.25)

find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

file(READ ${INCLUDE} include_text)
if(COMMANDS)
  # The usage text, printed with a command-line error, ends with the line "commands: a, b, c".
  execute_process(COMMAND ${PROGRAM} ERROR_VARIABLE usage OUTPUT_QUIET RESULT_VARIABLE ignored)
  if(NOT usage MATCHES "commands: ([^\n]*)")
    message(FATAL_ERROR "${PROGRAM} lists no commands in its usage text:\n${usage}")
  endif()
  string(REPLACE ", " ";" commands "${CMAKE_MATCH_1}")
  string(APPEND include_text "\n[COMMANDS IN DETAIL]\n")
  foreach(command IN LISTS commands)
    execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE help
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR help STREQUAL "")
      message(FATAL_ERROR "${PROGRAM} ${command} --help failed (${status})")
    endif()
    # Plain text into roff, kept as it is laid out: backslashes and minus signs escaped, and no
    # line may start with a control character.
    string(REPLACE "\\" "\\e" help "${help}")
    string(REPLACE "-" "\\-" help "${help}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
    string(APPEND include_text ".SS ${command}\n.nf\n${help}.fi\n")
  endforeach()
endif()

set(work ${OUTPUT}/${NAME}.h2m)
file(WRITE ${work} "${include_text}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --version-string=${VERSION}
          --name=${SUMMARY} --section=1 --include=${work} --output=${OUTPUT}/${NAME}.1 ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
execute_process(COMMAND ${GZIP} -9 -n -f ${OUTPUT}/${NAME}.1 RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${OUTPUT}/${NAME}.1")
endif()
