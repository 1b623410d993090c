# Writes a text file of the source tree as a Windows user opens it with a double-click: UTF-8
# with a byte order mark (so Notepad and others never guess another code page) and CR LF ends.
# With FILES (the source tree's files the package carries, each as NAME:INSTALLED, separated by
# commas), every Markdown link [label](target) becomes plain text that names only files beside
# it: a link to a file carried names the file as installed (README.ja.md becomes README.ja.txt);
# a link to anything else is left as its label.
#
#   cmake -DIN=<file> -DOUT=<file.txt> [-DFILES=<name:installed,...>] -P packaging/windows_text.cmake

file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")

if(DEFINED FILES)
  string(REPLACE "," ";" files "${FILES}")
  set(plain "")
  while(text MATCHES "\\[([^]\n]*)\\]\\(([^)\n]*)\\)")
    set(link "${CMAKE_MATCH_0}")
    set(label "${CMAKE_MATCH_1}")
    set(target "${CMAKE_MATCH_2}")
    set(installed "")
    foreach(pair IN LISTS files)
      string(REPLACE ":" ";" pair "${pair}")
      list(GET pair 0 name)
      if(target STREQUAL name)
        list(GET pair 1 installed)
      endif()
    endforeach()
    if(installed STREQUAL "")
      set(words "${label}")
    elseif(label STREQUAL target)
      set(words "${installed}")
    else()
      set(words "${label} (${installed})")
    endif()
    string(FIND "${text}" "${link}" at)
    string(SUBSTRING "${text}" 0 ${at} before)
    string(LENGTH "${link}" length)
    math(EXPR at "${at} + ${length}")
    string(SUBSTRING "${text}" ${at} -1 text)
    string(APPEND plain "${before}${words}")
  endwhile()
  set(text "${plain}${text}")
endif()

string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 bom)
file(WRITE "${OUT}" "${bom}${text}")
