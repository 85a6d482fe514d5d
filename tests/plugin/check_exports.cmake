# Checks that the plug-in library defines exactly the two entry symbols in its dynamic
# symbol table. Run as: cmake -DNM=nm -DLIBRARY=korvane.so -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE out RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}: ${err}")
endif()
string(REGEX REPLACE "\n$" "" out "${out}")
string(REPLACE "\n" ";" lines "${out}")
set(symbols "")
foreach(line ${lines})
  # "0000000000003280 T VSTPluginMain" -> "T VSTPluginMain"
  string(REGEX REPLACE "^[0-9a-fA-F]+ +" "" symbol "${line}")
  list(APPEND symbols "${symbol}")
endforeach()
list(SORT symbols)
if(NOT symbols STREQUAL "T VSTPluginMain;T main")
  message(FATAL_ERROR "${LIBRARY} exports:\n${out}\nexpected exactly T VSTPluginMain and T main")
endif()
message(STATUS "exports: ${symbols}")
