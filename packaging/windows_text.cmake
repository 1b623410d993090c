# Writes a text file of the source tree as a Windows user opens it with a double-click: UTF-8
# with a byte order mark (so Notepad and others never guess another code page) and CR LF ends.
#
#   cmake -DIN=<file> -DOUT=<file.txt> -P packaging/windows_text.cmake

file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 bom)
file(WRITE "${OUT}" "${bom}${text}")
