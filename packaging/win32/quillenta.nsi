; The Windows installer: per user, without administrator rights.
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.0 -DVERSION_QUAD=2.0.0.0 -DEXE=quillenta.exe -DLICENSE=LICENSE
;            -DICON=quillenta.ico -DOUTFILE=quillenta-2.0-setup.exe quillenta.nsi
; Silent: /S installs with the sign-in entry (an upgrade keeps the choice made before);
; /NOAUTOSTART leaves it out. The uninstaller keeps the settings file.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillenta"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The program's hidden main window: a close request to it runs the program's own shutdown,
; which gives the window in front its own title back.
!define MAIN_WINDOW_CLASS "QuillentaMainWindow"
; The program's single-instance mutex lives exactly as long as a running copy.
!define INSTANCE_MUTEX "QuillentaByVouk"

Name "Quillenta"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillenta"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Quillenta ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "Quillenta"
VIAddVersionKey /LANG=0 "CompanyName" "Vouk"
VIAddVersionKey /LANG=0 "FileDescription" "Quillenta ${VERSION} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 Vouk. MIT License."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Var Autostart
Var AutostartBox
Var WasRunning

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
Page custom AutostartPage AutostartPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
; Room for the whole text above the "start now" box, which otherwise covers its end.
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillenta.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunNow)"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The pages follow the system's language: Japanese on a Japanese Windows, else English. Each
; names the program's captions as its own interface shows them in that language (po/en.po).
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString AutostartTitle ${LANG_ENGLISH} "Start with Windows"
LangString AutostartTitle ${LANG_JAPANESE} "Windows と一緒に起動"
LangString AutostartSubtitle ${LANG_ENGLISH} "Quillenta works while it runs in the notification area."
LangString AutostartSubtitle ${LANG_JAPANESE} "Quillenta は通知領域で動いている間だけ働きます。"
LangString AutostartCheck ${LANG_ENGLISH} "Start Quillenta when I sign in"
LangString AutostartCheck ${LANG_JAPANESE} "サインイン時に Quillenta を起動する"
LangString RunNow ${LANG_ENGLISH} "Start Quillenta now"
LangString RunNow ${LANG_JAPANESE} "Quillenta を今すぐ起動する"
LangString FinishText ${LANG_ENGLISH} "Quillenta shows its icon in the notification area; a press on it opens its menu.$\r$\n$\r$\nThe settings window opens at every start until you untick $\"Show at every start$\" below its tabs and press OK."
LangString FinishText ${LANG_JAPANESE} "Quillenta は通知領域にアイコンを表示します。アイコンを押すとメニューが開きます。$\r$\n$\r$\n設定ウィンドウは起動のたびに開きます。開かないようにするには、タブの下の「起動ごとに設定」のチェックを外して「OK」を押してください。"
LangString CannotClose ${LANG_ENGLISH} "Quillenta is still running and did not end when asked. Choose $\"Quit$\" in its tray icon's menu, then choose Retry."
LangString CannotClose ${LANG_JAPANESE} "実行中の Quillenta が終了しませんでした。通知領域のアイコンのメニューから「終了」を選んでから「再試行」を押してください。"

; Asks a running Quillenta to close and waits until its process has gone, so that its file can
; be replaced. Sets $WasRunning to 1 when one was running.
!macro CLOSE_QUILLENTA un
Function ${un}CloseQuillenta
  StrCpy $WasRunning 0
  retry:
  StrCpy $4 0
  FindWindow $0 "${MAIN_WINDOW_CLASS}" ""
  ${If} $0 <> 0
    StrCpy $WasRunning 1
    ; The mutex goes a moment before the process lets go of its file: its handle, taken
    ; before the request, is what tells that the file can go.
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r3)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r3) p .r4'
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  ${EndIf}
  ; Up to ten seconds for the window and then the process (its mutex) to go.
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${MAIN_WINDOW_CLASS}" ""
    ${If} $0 = 0
      ; SYNCHRONIZE (0x00100000): enough to see that the mutex exists.
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r2'
      ${If} $2 = 0
        ${If} $4 = 0
          Return
        ${EndIf}
        System::Call 'kernel32::WaitForSingleObject(p r4, i 10000) i .r5'
        System::Call 'kernel32::CloseHandle(p r4)'
        StrCpy $4 0
        ${If} $5 = 0
          Return
        ${EndIf}
        ${Break}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r2)'
      StrCpy $WasRunning 1
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 100
  ${If} $4 <> 0
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CannotClose)" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Quit
FunctionEnd
!macroend
!insertmacro CLOSE_QUILLENTA ""
!insertmacro CLOSE_QUILLENTA "un."

Function .onInit
  SetShellVarContext current
  ; A new install starts with Windows unless told not to; an upgrade keeps the choice made
  ; at the last install.
  StrCpy $Autostart 1
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    ReadRegStr $1 HKCU "${RUN_KEY}" "Quillenta"
    ${If} $1 == ""
      StrCpy $Autostart 0
    ${EndIf}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    StrCpy $Autostart 0
  ${EndIf}
FunctionEnd

Function AutostartPage
  !insertmacro MUI_HEADER_TEXT "$(AutostartTitle)" "$(AutostartSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "$(AutostartCheck)"
  Pop $AutostartBox
  ${If} $Autostart = 1
    ${NSD_Check} $AutostartBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function AutostartPageLeave
  ${NSD_GetState} $AutostartBox $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $Autostart 1
  ${Else}
    StrCpy $Autostart 0
  ${EndIf}
FunctionEnd

Section "Quillenta"
  Call CloseQuillenta
  SetOutPath "$INSTDIR"
  File "/oname=quillenta.exe" "${EXE}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quillenta.lnk" "$INSTDIR\quillenta.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillenta"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Vouk"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillenta.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $Autostart = 1
    WriteRegStr HKCU "${RUN_KEY}" "Quillenta" '"$INSTDIR\quillenta.exe"'
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "Quillenta"
  ${EndIf}

  ; An upgrade puts back what it had to end.
  ${If} $WasRunning = 1
    Exec '"$INSTDIR\quillenta.exe"'
  ${EndIf}
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  Call un.CloseQuillenta
  Delete "$INSTDIR\quillenta.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Quillenta.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Quillenta"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Not recursive: the folder stays while the settings file (quillenta.INI) is in it.
  RMDir "$INSTDIR"
SectionEnd
