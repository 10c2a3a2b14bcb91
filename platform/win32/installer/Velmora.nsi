; Velmora's installer: a per-machine install under Program Files\Quorvane\Velmora,
; a Start-menu shortcut for all users and an entry in Apps & features.
; CMake builds it (cmake/WindowsDist.cmake), handing in what it must not guess:
;   makensis -DVERSION=3.6.12.28 -DVERSION_MAJOR=3 -DVERSION_MINOR=6
;            -DEXE=path/to/Velmora.exe -DOUTFILE=path/to/setup.exe
;            [-DTARGET=amd64-unicode] [-DICON=path/to/installer.ico] Velmora.nsi
; /S installs silently; the uninstaller takes /S too. The colour box
; (Config.ini in the shared documents folder) belongs to the user: neither an
; upgrade nor the uninstaller touches it.

!ifndef VERSION | VERSION_MAJOR | VERSION_MINOR | EXE | OUTFILE
  !error "define VERSION, VERSION_MAJOR, VERSION_MINOR, EXE and OUTFILE (see the head of this file)"
!endif
; The shipped installer is 32-bit like Velmora.exe. NOTE: the tests build an
; amd64-unicode one around the 64-bit build where the machine cannot run
; 32-bit programs (scripts/wine-preset); the script is the same.
!ifndef TARGET
  !define TARGET x86-unicode
!endif
Target ${TARGET}

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
; The main window's class (platform/win32/win32_window.cpp).
!define WINDOW_CLASS "VelmoraWindow"

Name "Velmora"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if "${TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\Quorvane\Velmora"
!else
  InstallDir "$PROGRAMFILES\Quorvane\Velmora"
!endif
; An upgrade goes where the installed copy is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

; NOTE: no copyright line, as in Velmora.exe's own version record.
!pragma warning disable 9100
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Velmora"
VIAddVersionKey /LANG=1033 "CompanyName" "Quorvane"
VIAddVersionKey /LANG=1033 "FileDescription" "Velmora Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Asks every Velmora on this desktop to close (as its "Exit" does, so it
; saves its colour box) and waits, 10 s at most, until its exe can be
; replaced: then $3 is 1, else 0.
!macro CLOSE_VELMORA prefix
Function ${prefix}CloseVelmora
  StrCpy $1 0
  StrCpy $3 0
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 <> 0
      DetailPrint "Closing Velmora"
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${ElseIfNot} ${FileExists} "$INSTDIR\Velmora.exe"
      StrCpy $3 1
      ${Break}
    ${Else}
      ; The window is gone, but the process may still be ending.
      ClearErrors
      FileOpen $2 "$INSTDIR\Velmora.exe" a
      ${IfNot} ${Errors}
        FileClose $2
        StrCpy $3 1
        ${Break}
      ${EndIf}
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 100
FunctionEnd
!macroend
!insertmacro CLOSE_VELMORA ""
!insertmacro CLOSE_VELMORA "un."

; Closes Velmora, or stops when it cannot be: a copy run by another user in
; another session is out of reach and keeps its exe locked. Silent runs
; stop at once (exit code 2).
!macro ENSURE_CLOSED prefix
  ${Do}
    Call ${prefix}CloseVelmora
    ${IfThen} $3 = 1 ${|} ${Break} ${|}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Velmora is still running. Close every copy of it (other users' too), then retry." /SD IDCANCEL IDRETRY`
      Abort "Velmora is still running."
    ${EndIf}
  ${Loop}
!macroend

Section "Velmora"
  SetShellVarContext all
  !insertmacro ENSURE_CLOSED ""
  SetOutPath "$INSTDIR"
  File "/oname=Velmora.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmora.lnk" "$INSTDIR\Velmora.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velmora"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Velmora.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quorvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro ENSURE_CLOSED "un."
  Delete "$INSTDIR\Velmora.exe"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\Velmora.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Start at login, if the user running the uninstaller turned it on.
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "Velmora"
  ; Only empty folders, and the company's folder only if it is ours.
  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $0
  ${GetFileName} "$0" $1
  ${If} $1 == "Quorvane"
    RMDir "$0"
  ${EndIf}
SectionEnd
