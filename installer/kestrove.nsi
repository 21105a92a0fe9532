; kestrove-setup.exe: installs Kestrove Pro for every account of the computer
; (64-bit, Unicode). Built by the Windows build:
;   makensis -DBIN_DIR=<folder of the built files> -DRES_DIR=<res folder>
;            -DOUT_FILE=<installer> -DVERSION=7.6.3 -DFILE_VERSION=7.6.0.3 kestrove.nsi
; Installs kstrv7.exe, the help file, the updater and the shell command file
; that shows the desktop into Program Files, with a Start-menu entry, the
; start-with-Windows entry and an uninstaller registered with Windows. /S
; installs (and uninstalls) silently.
;
; A running copy of the program holds kstrv7.exe open, and closed normally
; it starts a fresh copy of itself; so both directions end it by force first.
; The installer starts it again afterwards, so that an update leaves the
; computer protected. The uninstaller's window is titled "Uninstall Kestrove
; Pro", which the running program guards with the access password: the
; uninstaller can only be used (and end the program) after the password.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Kestrove Pro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_TITLE "Uninstall ${PRODUCT}"

Name "${PRODUCT}"
Caption "${PRODUCT} Setup"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${RES_DIR}/program.ico"
UninstallIcon "${RES_DIR}/program.ico"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

; The version block, which the updater compares with the installed program's.
; It has no copyright line, which makensis would warn about.
!pragma warning disable 9100
VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${FILE_VERSION}"

Page directory
Page instfiles
; The exact title on every page (the caption alone would get the page's
; name appended).
UninstPage uninstConfirm "" un.ShowTitle
UninstPage instfiles "" un.ShowTitle

; Ends every running copy; $R9 is 1 when one was running. /F: a close
; message would make the program start a fresh copy of itself.
!macro EndRunningCopies
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM kstrv7.exe'
  Pop $0
  StrCpy $R9 0
  ${If} $0 == 0
    StrCpy $R9 1
  ${EndIf}
!macroend

; Waits (at most ten seconds) until an ended process lets go of a file: until
; it can be opened for writing, or is gone.
!macro WaitUntilFree FILE
  StrCpy $1 0
  ${DoWhile} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $2 "${FILE}" a
    ${IfNot} ${Errors}
      FileClose $2
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 > 100
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
!macroend

Section "Kestrove Pro"
  SetShellVarContext all
  SetRegView 64
  !insertmacro EndRunningCopies
  !insertmacro WaitUntilFree "$INSTDIR\kstrv7.exe"
  ; The updater that started this installer may still be ending.
  !insertmacro WaitUntilFree "$INSTDIR\KsUpdate.exe"

  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/kstrv7.exe"
  File "${BIN_DIR}/KsUpdate.exe"
  File "${BIN_DIR}/kestrove.chm"
  File "${BIN_DIR}/zarmex.scf"
  ; The drop folder for a configuration to import, and the folder the
  ; updater looks in for a newer installer.
  CreateDirectory "$INSTDIR\save"
  CreateDirectory "$INSTDIR\update"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\kstrv7.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk" "$INSTDIR\kestrove.chm"

  ; Quoted, as the program writes it itself: the folder has blanks in it.
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\kstrv7.exe"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\kstrv7.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $R9 == 1
    Exec '"$INSTDIR\kstrv7.exe"'
  ${EndIf}
SectionEnd

Function un.ShowTitle
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:${UNINSTALL_TITLE}"
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  SetAutoClose true
  !insertmacro EndRunningCopies
  !insertmacro WaitUntilFree "$INSTDIR\kstrv7.exe"
  ; "Start Menu & Start Button" may have hidden the taskbar; the program
  ; that would show it again is gone.
  FindWindow $0 "Shell_TrayWnd"
  ${If} $0 <> 0
    ShowWindow $0 ${SW_SHOWNA}
  ${EndIf}

  Delete /REBOOTOK "$INSTDIR\kstrv7.exe"
  Delete /REBOOTOK "$INSTDIR\KsUpdate.exe"
  Delete "$INSTDIR\kestrove.chm"
  Delete "$INSTDIR\zarmex.scf"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a configuration or an installer left there by an
  ; administrator stays.
  RMDir "$INSTDIR\save"
  RMDir "$INSTDIR\update"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The configuration (HKLM\Software\KSV) stays: a new installation finds
  ; the protected tasks and the password as they were.
SectionEnd
