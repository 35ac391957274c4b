; Setup package of the product Tavelo ("Quorrin"), as its vendor ships it: installs the
; product into the folder given with /D=, writes its uninstaller "uninst.ep", and reports
; every step on standard output in the installer's line protocol (through the StdOut plugin).
;
; Built by makensis with these defines (tools/nsispackage/CMakeLists.txt):
;   NSIS_TARGET  the stub: x86-unicode (32-bit) or amd64-unicode (64-bit)
;   PLUGIN_DIR   folder holding StdOut.dll, of the stub's architecture
;   PRODUCT_EXE  the program installed as Tavelo.exe
;   PAYLOAD      the product's data file, stored uncompressed
;   OUT_FILE     the package to write
;
; Command line: /S for no window at all, -isoverride=false to leave "set.ini" asking the next
; installation into the same folder to keep this one, /D=<folder> last and unquoted. The
; uninstaller takes /S and _?=<folder> (last, unquoted).

Unicode true
Target ${NSIS_TARGET}
!addplugindir /${NSIS_TARGET} "${PLUGIN_DIR}"

!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT_VERSION "1.0.0"

Name "Quorrin"
OutFile "${OUT_FILE}"
; The online installer runs elevated and the package inherits its rights; asking again
; would only show a prompt.
RequestExecutionLevel user
InstallDir "$PROGRAMFILES64\Quorrin"
SetCompressor zlib
ShowInstDetails nevershow
ShowUninstDetails nevershow
AutoCloseWindow true

VIProductVersion "${PRODUCT_VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Quorrin"
VIAddVersionKey /LANG=0 "FileDescription" "Quorrin setup"
VIAddVersionKey /LANG=0 "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "ZelkorSoft"
VIAddVersionKey /LANG=0 "LegalCopyright" "ZelkorSoft"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro Say TEXT
  StdOut::Write "${TEXT}"
!macroend
!define Say "!insertmacro Say"

; Reports a failure and ends the run: the installer stops reading at the "Error=" line.
!macro Fail TEXT
  ${Say} "Error=${TEXT}"
  SetErrorLevel 2
  Abort
!macroend
!define Fail "!insertmacro Fail"

Function .onInit
  ; Everything after this line is UTF-8, so folders in any script arrive intact.
  ${Say} "Encode=UTF8"
  ${Say} "Progress=0"
FunctionEnd

Section "Quorrin" SecProduct
  SectionIn RO
  ${Say} "Progress=0.05"

  ClearErrors
  CreateDirectory "$INSTDIR"
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ${Fail} "无法创建安装目录 $INSTDIR"
  ${EndIf}
  SetOutPath "$INSTDIR"
  ${Say} "Progress=0.1"

  ; A file that cannot be written (in use, a folder in its place, no rights) is skipped
  ; without a question and leaves the error flag set.
  SetOverwrite try
  ClearErrors
  File "/oname=Tavelo.exe" "${PRODUCT_EXE}"
  ${If} ${Errors}
    ${Fail} "无法写入 $INSTDIR\Tavelo.exe"
  ${EndIf}
  ${Say} "Progress=0.3"

  ; The data is random, so compressing it would gain nothing.
  SetCompress off
  ClearErrors
  File "/oname=quorrin.dat" "${PAYLOAD}"
  SetCompress auto
  ${If} ${Errors}
    ${Fail} "无法写入 $INSTDIR\quorrin.dat"
  ${EndIf}
  ${Say} "Progress=0.8"

  ClearErrors
  WriteUninstaller "$INSTDIR\uninst.ep"
  ${If} ${Errors}
    ${Fail} "无法写入 $INSTDIR\uninst.ep"
  ${EndIf}
  ${Say} "Progress=0.9"

  ${GetParameters} $R0
  ClearErrors
  ${GetOptionsS} $R0 "-isoverride=" $R1
  ${IfNot} ${Errors}
    WriteINIStr "$INSTDIR\set.ini" "Uninstall" "IsOverride" "$R1"
  ${EndIf}

  ${Say} "Progress=1"
  ${Say} "InstPath=$INSTDIR"
  ${Say} "ExePath=$INSTDIR\Tavelo.exe"
  ${Say} "UninstEp=$INSTDIR\uninst.ep"
  ${Say} "StartupStyle=UserStartup"
  ${Say} "InstallVersion=${PRODUCT_VERSION}"
  ${Say} "State=Success"
SectionEnd

Function un.onInit
  ${Say} "Encode=UTF8"
  ${Say} "Progress=0"
FunctionEnd

Section "Uninstall"
  ; Started with _?=<folder> the uninstaller runs where it is, so uninst.ep can only go
  ; when it runs from a copy (the online installer always copies it first).
  Delete "$INSTDIR\Tavelo.exe"
  ${If} ${FileExists} "$INSTDIR\Tavelo.exe"
    ${Say} "Error=$INSTDIR\Tavelo.exe 正在使用，无法删除"
    SetErrorLevel 2
    Abort
  ${EndIf}
  ${Say} "Progress=0.4"
  Delete "$INSTDIR\quorrin.dat"
  Delete "$INSTDIR\set.ini"
  ${Say} "Progress=0.8"
  Delete "$INSTDIR\uninst.ep"
  ; Only an empty folder goes: whatever else the user keeps there stays.
  RMDir "$INSTDIR"
  ${Say} "Progress=1"
  ${Say} "State=Success"
SectionEnd
