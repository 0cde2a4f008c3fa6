# cmake -DINPUT=<file> -DOUTPUT=<file> -P sha256.cmake
# Writes the SHA-256 of INPUT as 64 lower-case hex digits, without a line end.
if(NOT DEFINED INPUT OR NOT DEFINED OUTPUT)
  message(FATAL_ERROR "usage: cmake -DINPUT=<file> -DOUTPUT=<file> -P sha256.cmake")
endif()
file(SHA256 "${INPUT}" digest)
string(TOLOWER "${digest}" digest)
file(WRITE "${OUTPUT}" "${digest}")
