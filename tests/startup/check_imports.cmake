# Reads the import table of EXE with objdump and fails on any DLL that is not one Windows
# always loads from its system directory (the KnownDLLs and the core system modules), and,
# with FORMAT given, on a file of another format (pei-i386: the 32-bit product).
cmake_policy(SET CMP0057 NEW)
set(allowed
  kernel32.dll user32.dll gdi32.dll advapi32.dll ws2_32.dll ole32.dll oleaut32.dll shell32.dll
  msvcrt.dll ntdll.dll shlwapi.dll comdlg32.dll imagehlp.dll psapi.dll rpcrt4.dll sechost.dll
  setupapi.dll normaliz.dll wldap32.dll difxapi.dll clbcatq.dll combase.dll coml2.dll
  imm32.dll msctf.dll nsi.dll shcore.dll)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${EXE}")
endif()
if(DEFINED FORMAT)
  execute_process(COMMAND ${OBJDUMP} -f ${EXE} OUTPUT_VARIABLE header)
  if(NOT header MATCHES "file format ${FORMAT}")
    message(FATAL_ERROR "${EXE} is not of the format ${FORMAT}: ${header}")
  endif()
  message(STATUS "format ${FORMAT}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
if(NOT names)
  message(FATAL_ERROR "no import table found in ${EXE}")
endif()
set(bad)
foreach(entry IN LISTS names)
  string(REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  message(STATUS "imports ${dll}")
  if(NOT lower IN_LIST allowed)
    list(APPEND bad ${dll})
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "imports DLLs that may be planted beside the executable: ${bad}")
endif()
