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
; Until it runs again the computer is unprotected, so the finish page offers
; "Start Kestrove Pro now" (ticked), and /START does the same for a silent
; install. The installer runs elevated, possibly as another account, so it
; never starts the program itself: it asks the desktop shell, which starts it
; with the logged-on user's own rights. (The updater, which starts it again
; once the installer has ended, starts it only when no copy runs.)
;
; The uninstaller's window is titled "Uninstall Kestrove Pro", which the
; running program guards with the access password. After the password the
; program announces it with a named event; while a copy of the installed
; program runs, the uninstaller ends it and removes it only when that event
; exists, and otherwise refuses (silently: exit code 2, nothing changed).

Unicode true
Target amd64-unicode
; Sharp text on screens scaled above 100 %, as the program itself.
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"
!include "nsDialogs.nsh"

!define PRODUCT "Kestrove Pro"
!define PUBLISHER "Kestrove"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_TITLE "Uninstall ${PRODUCT}"
; Created by the running program after the access password was given for the
; uninstaller, and held until it ends (src/platform/win32/win32_constants.h).
!define UNINSTALL_ALLOWED_EVENT "Local\KestroveProUninstallAllowed"
!define UNINSTALL_REFUSED "Enter the access password in ${PRODUCT} first: its prompt comes up when this window is in front."

Name "${PRODUCT}"
Caption "${PRODUCT} Setup"
; From the start, so that every window of the uninstaller is guarded.
UninstallCaption "${UNINSTALL_TITLE}"
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
Page custom FinishShow FinishLeave
; Straight on to the finish page once the files are in place.
AutoCloseWindow true
; The exact title on every page (the caption alone would get the page's
; name appended).
UninstPage uninstConfirm "" un.ShowTitle un.LeaveConfirm
UninstPage instfiles "" un.ShowTitle
UninstPage custom un.DoneShow

Var StartNowBox
; What the uninstaller removed and kept, for its last page.
Var UninstallReport

; Ends every running copy, in every session. /F: a close message would make
; the program start a fresh copy of itself.
!macro EndRunningCopies
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM kstrv7.exe'
  Pop $0
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
  ; The updater that started this installer waits for it, holding its file
  ; open: move that aside (Windows allows renaming a running program's file)
  ; to be removed once it is free, at the latest at the next restart.
  Delete "$INSTDIR\KsUpdate.old"
  ${If} ${FileExists} "$INSTDIR\KsUpdate.exe"
    ClearErrors
    FileOpen $2 "$INSTDIR\KsUpdate.exe" a
    ${If} ${Errors}
      Rename "$INSTDIR\KsUpdate.exe" "$INSTDIR\KsUpdate.old"
      Delete /REBOOTOK "$INSTDIR\KsUpdate.old"
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}

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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  ; The installed help file: "Help" and "Support" in Apps & Features open it.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "$INSTDIR\kestrove.chm"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "$INSTDIR\kestrove.chm"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\kstrv7.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Through the desktop shell (Explorer opens the file as a double-click does),
; so that the program runs with the rights of the user logged on, never with
; this installer's. Without a shell in this session (an install by a
; deployment service) Explorer would start as this installer's account: then
; nothing starts, and the program comes at the next log-on.
Function StartProgram
  FindWindow $0 "Shell_TrayWnd"
  ${If} $0 <> 0
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\kstrv7.exe"'
  ${EndIf}
FunctionEnd

Function FinishShow
  ; The install is done: no way back, nothing to cancel.
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:&Finish"
  GetDlgItem $0 $HWNDPARENT 2
  ShowWindow $0 ${SW_HIDE}
  GetDlgItem $0 $HWNDPARENT 3
  ShowWindow $0 ${SW_HIDE}
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "${PRODUCT} has been installed in $INSTDIR and starts at every log-on. \
      Until it runs, the computer is not protected."
  Pop $0
  ${NSD_CreateCheckbox} 0 44u 100% 12u "Start ${PRODUCT} now"
  Pop $StartNowBox
  ${NSD_Check} $StartNowBox
  nsDialogs::Show
FunctionEnd

Function FinishLeave
  ${NSD_GetState} $StartNowBox $0
  ${If} $0 == ${BST_CHECKED}
    Call StartProgram
  ${EndIf}
FunctionEnd

; A silent install starts the program only when asked to: /START.
Function .onInstSuccess
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/START" $1
    ${IfNot} ${Errors}
      Call StartProgram
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.ShowTitle
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:${UNINSTALL_TITLE}"
FunctionEnd

; $0 = 1 when the program may be ended and removed: no copy of it runs (its
; file can be opened for writing), or a running copy has had the access
; password for the uninstaller; else 0.
Function un.MayEndProgram
  StrCpy $0 1
  ${If} ${FileExists} "$INSTDIR\kstrv7.exe"
    ClearErrors
    FileOpen $2 "$INSTDIR\kstrv7.exe" a
    ${If} ${Errors}
      ; SYNCHRONIZE: the least access that tells whether the event exists.
      System::Call 'kernel32::OpenEventW(i 0x00100000, i 0, w "${UNINSTALL_ALLOWED_EVENT}") p.r1'
      ${If} $1 P= 0
        StrCpy $0 0
      ${Else}
        System::Call 'kernel32::CloseHandle(p r1)'
      ${EndIf}
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}
FunctionEnd

; Silent: no page asks, so the refusal is the exit code, before anything
; has changed.
Function un.onInit
  ${If} ${Silent}
    Call un.MayEndProgram
    ${If} $0 != 1
      Call un.ReportUninstallRefused
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; The confirmation page stays until the password has been given.
Function un.LeaveConfirm
  Call un.MayEndProgram
  ${If} $0 != 1
    Call un.ReportUninstallRefused
    MessageBox MB_OK|MB_ICONEXCLAMATION "${UNINSTALL_REFUSED}"
    Abort
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  SetAutoClose true
  ; A copy may have started since the confirmation page.
  Call un.MayEndProgram
  ${If} $0 != 1
    Call un.ReportUninstallRefused
    MessageBox MB_OK|MB_ICONEXCLAMATION "${UNINSTALL_REFUSED}" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
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
  Delete /REBOOTOK "$INSTDIR\KsUpdate.old"
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

  ; For a label: "&&" shows as "&".
  StrCpy $UninstallReport "Removed: the program, its help file, the updater, the Start-menu entries, \
      the start with Windows and the entry in Apps && Features.$\r$\n$\r$\nKept: the configuration \
      (the protected tasks, the rules and the password in HKEY_LOCAL_MACHINE\Software\KSV, and each \
      account's own settings), so that a new installation finds it as it was."
  ${If} ${FileExists} "$INSTDIR\save\*.*"
    StrCpy $UninstallReport "$UninstallReport$\r$\nKept: $INSTDIR\save, which holds files."
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\update\*.*"
    StrCpy $UninstallReport "$UninstallReport$\r$\nKept: $INSTDIR\update, which holds files."
  ${EndIf}
  ${If} ${RebootFlag}
    StrCpy $UninstallReport "$UninstallReport$\r$\n$\r$\nFiles still in use are removed when Windows restarts."
  ${EndIf}
SectionEnd

Function un.DoneShow
  Call un.ShowTitle
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:&Close"
  GetDlgItem $0 $HWNDPARENT 2
  ShowWindow $0 ${SW_HIDE}
  GetDlgItem $0 $HWNDPARENT 3
  ShowWindow $0 ${SW_HIDE}
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 100% "$UninstallReport"
  Pop $0
  nsDialogs::Show
FunctionEnd

; ---- The Windows event log ----------------------------------------------------
; kstrv7.exe holds the message table of the event source "Kestrove Pro". The
; uninstaller writes its own refusals: it alone knows of them, and it runs
; with the rights to. Event 7 (res/event_messages.mc), a warning, no texts.
!define EVENTLOG_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\${PRODUCT}"
!define EVENT_UNINSTALL_REFUSED 7

Section "-Event log source"
  SetRegView 64
  WriteRegExpandStr HKLM "${EVENTLOG_KEY}" "EventMessageFile" "$INSTDIR\kstrv7.exe"
  ; Error, warning and information.
  WriteRegDWORD HKLM "${EVENTLOG_KEY}" "TypesSupported" 7
SectionEnd

; Never fails the uninstaller: a source that cannot be opened writes nothing.
Function un.ReportUninstallRefused
  Push $R0
  System::Call 'advapi32::RegisterEventSourceW(p 0, w "${PRODUCT}") p.R0'
  ${If} $R0 P<> 0
    ; EVENTLOG_WARNING_TYPE (2), no category, no user, no texts.
    System::Call 'advapi32::ReportEventW(p R0, i 2, i 0, i ${EVENT_UNINSTALL_REFUSED}, p 0, i 0, i 0, p 0, p 0)'
    System::Call 'advapi32::DeregisterEventSource(p R0)'
  ${EndIf}
  Pop $R0
FunctionEnd

; After the files: the source goes with the program that holds its messages.
Section "-un.Event log source"
  SetRegView 64
  DeleteRegKey HKLM "${EVENTLOG_KEY}"
SectionEnd
