# Writes a man page with help2man from the program's own --help and --version, and the
# hand-written part in INCLUDE (NAME, DESCRIPTION, EXAMPLES, SEE ALSO, ...).
#
#   cmake -DHELP2MAN=<help2man> -DPROGRAM=<kelvconv> -DLANG=en|ja -DINCLUDE=<file.h2m>
#         -DLOCALES=<dir> -DOUT=<page> -P packaging/man.cmake
#
# The program is run here, in the page's language: the English page with LC_ALL=C, the Japanese
# one with LANGUAGE=ja LANG=ja_JP.UTF-8, so that it says what it says to such a user. Its words
# go to help2man unchanged, but for the usage lines: help2man finds the synopsis as "Usage:" and
# "or:" lines (in its own translation of those words), where kelvconv aligns its later usage
# lines under the first. help2man titles the sections in the page's language (--locale).
# The Japanese locale is made into LOCALES, so the machine needs none installed beyond Debian's
# locale sources (the locales package).

if(LANG STREQUAL "en")
  set(ENV{LC_ALL} C)
  set(usage "Usage")
  set(or "or")
elseif(LANG STREQUAL "ja")
  set(locale ja_JP.UTF-8)
  if(NOT EXISTS "${LOCALES}/${locale}")
    file(MAKE_DIRECTORY "${LOCALES}")
    execute_process(COMMAND localedef -i ja_JP -f UTF-8 "${LOCALES}/${locale}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "cannot make the locale ${locale} (is the locales package installed?)")
    endif()
  endif()
  set(ENV{LOCPATH} "${LOCALES}")
  unset(ENV{LC_ALL})
  unset(ENV{LC_MESSAGES})
  set(ENV{LANGUAGE} ja)
  set(ENV{LANG} ${locale})
  # help2man's Japanese words for "Usage" and "or".
  set(usage "使用法")
  set(or "または")
else()
  message(FATAL_ERROR "no man page for the language '${LANG}'")
endif()

foreach(what help version)
  execute_process(COMMAND "${PROGRAM}" --${what} OUTPUT_VARIABLE ${what} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --${what} failed (${status})")
  endif()
endforeach()
# "LABEL: kelvconv ..." and the "       kelvconv ..." lines under it.
if(NOT help MATCHES "^[^\n:]+: +kelvconv ")
  message(FATAL_ERROR "kelvconv --help does not begin with its usage line")
endif()
string(REGEX REPLACE "^[^\n:]+: +kelvconv " "${usage}: kelvconv " help "${help}")
string(REGEX REPLACE "\n +kelvconv " "\n  ${or}: kelvconv " help "${help}")

# help2man runs a stand-in of the program that says those words.
get_filename_component(dir "${OUT}" DIRECTORY)
set(work "${OUT}.work")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${dir}" "${work}")
file(WRITE "${work}/help" "${help}")
file(WRITE "${work}/version" "${version}")
file(WRITE "${work}/kelvconv" "#!/bin/sh\nexec cat \"${work}/\${1#--}\"\n")
file(CHMOD "${work}/kelvconv" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(options --no-info --section=1 "--include=${INCLUDE}" "--output=${OUT}.new")
if(locale)
  list(APPEND options "--locale=${locale}")
endif()
execute_process(COMMAND "${HELP2MAN}" ${options} "${work}/kelvconv" RESULT_VARIABLE status)
file(REMOVE_RECURSE "${work}")
if(NOT status EQUAL 0)
  file(REMOVE "${OUT}.new")
  message(FATAL_ERROR "help2man failed (${status})")
endif()
file(RENAME "${OUT}.new" "${OUT}")
