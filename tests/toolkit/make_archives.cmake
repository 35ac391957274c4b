# Makes the archives of the skin-archive reader's tests with the 7z tool, in OUTPUT_DIR:
#   tree/               the files, which the tests compare with what they read
#   skin.7z             tree/ packed as the product packs its skin: 7z, LZMA2, one solid block
#   stored.7z           the same files stored unpacked, where damage shows only in the checksums
#   skin.zip            the same files as a zip file
#   encrypted.7z        the same with a password; encrypted_names.7z with the names encrypted too
#   folders_only.7z     a 7z that holds folders and no file
#   file_at_limit.7z    one file of exactly the reader's size limit for a file (64 MiB of zeros)
#   file_over_limit.7z  one file a byte over it
# Usage: cmake -DSEVEN_ZIP=<7z program> -DOUTPUT_DIR=<folder> -P make_archives.cmake
cmake_minimum_required(VERSION 3.25)

# 7z reads file names in the locale's encoding; in the "C" locale Chinese names would break.
set(ENV{LC_ALL} C.UTF-8)

file(REMOVE_RECURSE ${OUTPUT_DIR})
set(tree ${OUTPUT_DIR}/tree)

file(WRITE ${tree}/res/mainWnd/bg1.png "background of the main window\n")
file(WRITE ${tree}/res/common/按钮.png "按钮: a button image\n")
file(WRITE ${tree}/res/MessageBoxWnd/okBtn.png "OK button\n")
file(WRITE ${tree}/res/Ünïcode/Ωmega-Жук.txt "letters with case outside ASCII\n")
file(WRITE ${tree}/a/b/c/d/e/deep.txt "five folders down\n")
file(WRITE ${tree}/empty.txt "")
# A window file large enough that its packed bytes span several kilobytes.
set(lines "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Window size=\"600,400\">\n")
foreach(i RANGE 1 1500)
  math(EXPR x "(${i} * 37) % 600")
  math(EXPR y "(${i} * 53) % 400")
  string(APPEND lines "  <Button name=\"button${i}\" pos=\"${x},${y},${y},${x}\" text=\"按钮 ${i}\"/>\n")
endforeach()
string(APPEND lines "</Window>\n")
file(WRITE ${tree}/MainWnd.xml "${lines}")

# seven_zip(<archive> <folder> <switches and inputs...>): runs `7z a` in folder.
function(seven_zip archive folder)
  execute_process(COMMAND ${SEVEN_ZIP} a -bd -y ${OUTPUT_DIR}/${archive} ${ARGN}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "7z failed for ${archive}:\n${output}")
  endif()
endfunction()

set(skin_inputs res a empty.txt MainWnd.xml)
set(skin_7z -t7z -m0=lzma2 -ms=on)
seven_zip(skin.7z ${tree} ${skin_7z} ${skin_inputs})
seven_zip(stored.7z ${tree} -t7z -m0=copy ${skin_inputs})
seven_zip(skin.zip ${tree} -tzip ${skin_inputs})
seven_zip(encrypted.7z ${tree} ${skin_7z} -pskin-secret ${skin_inputs})
seven_zip(encrypted_names.7z ${tree} ${skin_7z} -pskin-secret -mhe=on ${skin_inputs})

set(folders ${OUTPUT_DIR}/folders)
file(MAKE_DIRECTORY ${folders}/only/inner)
seven_zip(folders_only.7z ${folders} ${skin_7z} only)

# The large files exist only while they are packed.
set(limit ${OUTPUT_DIR}/limit)
foreach(case IN ITEMS at_limit:67108864 over_limit:67108865)
  string(REPLACE ":" ";" case "${case}")
  list(GET case 0 name)
  list(GET case 1 size)
  file(MAKE_DIRECTORY ${limit}/${name})
  file(TOUCH ${limit}/${name}/zeros.bin)
  execute_process(COMMAND truncate -s ${size} ${limit}/${name}/zeros.bin RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "truncate failed")
  endif()
  seven_zip(file_${name}.7z ${limit}/${name} ${skin_7z} zeros.bin)
endforeach()
file(REMOVE_RECURSE ${folders} ${limit})
