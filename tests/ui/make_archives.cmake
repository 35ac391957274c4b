# Makes the skin archives of the interface-language tests with the 7z tool, in OUTPUT_DIR.
# Each holds the window files of SKIN_DIR and, as "language.json":
#   language.7z             SKIN_DIR's language.json
#   no_language.7z          nothing
#   empty_language.7z       an empty file
#   broken_language.7z      text that is not JSON
#   language_at_limit.7z    SKIN_DIR's language.json padded with blanks to 4,194,304 bytes
#   language_over_limit.7z  the same padded to one byte more
# Usage: cmake -DSEVEN_ZIP=<7z program> -DSKIN_DIR=<folder> -DOUTPUT_DIR=<folder> -P make_archives.cmake
cmake_minimum_required(VERSION 3.25)

# 7z reads file names in the locale's encoding; "C.UTF-8" keeps them as they are.
set(ENV{LC_ALL} C.UTF-8)

file(REMOVE_RECURSE ${OUTPUT_DIR})
file(GLOB window_files ${SKIN_DIR}/*.xml)
file(READ ${SKIN_DIR}/language.json language)

# pack(<archive> <language.json content or NONE>): the window files and that language.json.
function(pack archive content)
  set(tree ${OUTPUT_DIR}/tree)
  file(REMOVE_RECURSE ${tree})
  file(COPY ${window_files} DESTINATION ${tree})
  if(NOT content STREQUAL "NONE")
    file(WRITE ${tree}/language.json "${content}")
  endif()
  execute_process(COMMAND ${SEVEN_ZIP} a -t7z -m0=lzma2 -ms=on -bd -y ${OUTPUT_DIR}/${archive} .
                  WORKING_DIRECTORY ${tree} RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "7z failed for ${archive}:\n${output}")
  endif()
  file(REMOVE_RECURSE ${tree})
endfunction()

# language.json padded with trailing blanks to size bytes (string(LENGTH) counts bytes).
function(padded_language size out)
  string(LENGTH "${language}" length)
  math(EXPR blanks "${size} - ${length}")
  string(REPEAT " " ${blanks} padding)
  set(${out} "${language}${padding}" PARENT_SCOPE)
endfunction()

pack(language.7z "${language}")
pack(no_language.7z NONE)
pack(empty_language.7z "")
pack(broken_language.7z "[{\"id\": 101, \"en-US\": \"Language\"},")
padded_language(4194304 at_limit)
pack(language_at_limit.7z "${at_limit}")
padded_language(4194305 over_limit)
pack(language_over_limit.7z "${over_limit}")
