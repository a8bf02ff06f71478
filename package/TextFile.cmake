# Writes a text file with Windows line ends, for Notepad and friends:
#   cmake -DIN=README.md -DOUT=README.txt -P TextFile.cmake
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
