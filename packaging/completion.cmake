# Writes the bash completion from the built program: its options as --help lists them, and the
# names of the sources it converts as `kelvconv --explain` lists them (first column: a name such
# as prepare.txt, or a pattern such as scene*.txt). Nothing is copied here by hand, so a new
# option or converter reaches the completion with the next build.
#
#   cmake -DPROGRAM=<kelvconv> -DTEMPLATE=<kelvconv.bash.in> -DOUT=<file> -P completion.cmake

# The program's own words, whatever the language of the machine that builds it.
set(ENV{LC_ALL} C)
set(ENV{LANGUAGE} "")
foreach(what help explain)
  execute_process(COMMAND "${PROGRAM}" --${what} OUTPUT_VARIABLE ${what} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --${what} failed (${status})")
  endif()
endforeach()

# Options: the lines of --help that begin with blanks and a dash.
set(options "")
string(REGEX MATCHALL "\n +-[^\n]*" lines "${help}")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^\n +(-[A-Za-z], )?(--[a-z][a-z-]*)?" found "${line}")
  if(CMAKE_MATCH_1)
    string(REPLACE ", " "" short "${CMAKE_MATCH_1}")
    list(APPEND options ${short})
  endif()
  if(CMAKE_MATCH_2)
    list(APPEND options ${CMAKE_MATCH_2})
  endif()
endforeach()

# Sources: the first word of each line of --explain.
set(patterns "")
set(kinds "")
string(REPLACE "\n" ";" lines "${explain}")
foreach(line IN LISTS lines)
  if(line MATCHES "^([a-z0-9_]+(\\*)?\\.txt)( |$)")
    list(APPEND patterns "${CMAKE_MATCH_1}")
    string(REPLACE "*.txt" "" kind "${CMAKE_MATCH_1}")
    list(APPEND kinds "${kind}")
  endif()
endforeach()

list(LENGTH options option_count)
list(LENGTH patterns pattern_count)
if(option_count LESS 10 OR pattern_count LESS 10)
  message(FATAL_ERROR "found ${option_count} options in --help and ${pattern_count} kinds of "
                      "source in --explain: has their layout changed?")
endif()

list(JOIN options " " KELV_OPTIONS)
list(JOIN patterns "|" KELV_SOURCE_PATTERNS)
list(JOIN kinds " " KELV_KINDS)
configure_file("${TEMPLATE}" "${OUT}" @ONLY)
