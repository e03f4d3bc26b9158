# crlf.cmake - copies a text file with every line ended by CR LF, whatever line ends
# the checkout has. -D IN=<text file> OUT=<file>
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\r" "\n" text "${text}")
if(NOT text MATCHES "\n$")
  string(APPEND text "\n")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}.tmp" "${text}")
file(RENAME "${OUT}.tmp" "${OUT}")
