; SPDX-License-Identifier: GPL-2.0-or-later
; Nimbrel's Windows installer, made on Debian by makensis through the build's make-installer
; script (installer/make-installer.in), which passes these:
;   NIMBREL_VERSION       the project version, e.g. 1.0.0
;   NIMBREL_FILE_VERSION  the same as four numbers, for the version resource
;   NIMBREL_FILES         the list of the program folder's files (installer/ListProgramFiles.cmake)
;   NIMBREL_ICON          the program's icon
;   NIMBREL_LICENSE_PAGE  the licence page's text (installer/LicensePage.txt.in)
;   NIMBREL_WEB_PAGE      the program's web page
;   NIMBREL_OUTPUT        the installer to write
;
; It installs for the current user (the default, into %LOCALAPPDATA%\Programs\Nimbrel) or for
; all users (into Program Files), also from the command line: /CurrentUser, /AllUsers, /S for a
; silent install, /D=folder for another folder. Nimbrel.exe is a 64-bit program, so the installer
; is one too: it sees the 64-bit Program Files and registry.

!macro RequireDefine NAME
    !ifndef ${NAME}
        !error "makensis needs -D${NAME}=...: use the build's make-installer"
    !endif
!macroend
!insertmacro RequireDefine NIMBREL_VERSION
!insertmacro RequireDefine NIMBREL_FILE_VERSION
!insertmacro RequireDefine NIMBREL_FILES
!insertmacro RequireDefine NIMBREL_ICON
!insertmacro RequireDefine NIMBREL_LICENSE_PAGE
!insertmacro RequireDefine NIMBREL_WEB_PAGE
!insertmacro RequireDefine NIMBREL_OUTPUT

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; A file that cannot be written (in use by something other than a Nimbrel we could ask to exit)
; means Retry or Cancel, never a half-updated program; a silent install fails then.
AllowSkipFiles off
ManifestDPIAware true
ManifestSupportedOS all

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nimbrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; How a running Nimbrel is found and asked to exit: its single-instance lock, its hidden window and
; that window's Exit command (ID_APP_EXIT in res/Resource.h).
!define NIMBREL_MUTEX "Local\NimbrelLock"
!define NIMBREL_HIDDEN_WINDOW "NimbrelHiddenWindow"
!define ID_APP_EXIT 57665
!define SYNCHRONIZE 0x00100000
; How long Nimbrel gets to save its options and put the user's wallpaper back, in 250 ms steps.
!define EXIT_WAIT_STEPS 120

Name "Nimbrel"
OutFile "${NIMBREL_OUTPUT}"
BrandingText "Nimbrel ${NIMBREL_VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Nimbrel"
; An update goes where the last install went, for the users it went for.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
; Refused for want of rights (/AllUsers without them): a silent run must not end in success.
!define MULTIUSER_INIT_FUNCTIONQUIT QuitForWantOfRights
!define MULTIUSER_INIT_un.FUNCTIONQUIT un.QuitForWantOfRights
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh
!include "${NIMBREL_FILES}"

!define MUI_ICON "${NIMBREL_ICON}"
!define MUI_UNICON "${NIMBREL_ICON}"
!define MUI_ABORTWARNING

; The licence page informs, it asks for no agreement. Our own notes keep one paragraph a line: the
; page wraps them itself.
!define MUI_PAGE_HEADER_TEXT "Licences"
!define MUI_PAGE_HEADER_SUBTEXT "Nimbrel's licence, and what it ships from other projects."
!define MUI_LICENSEPAGE_TEXT_TOP "Nimbrel is free software under the GNU GPL, version 2 or later; notices for what it ships from other projects follow the licence:"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "$_CLICK"
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${NIMBREL_LICENSE_PAGE}"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "&Start Nimbrel"
!define MUI_FINISHPAGE_RUN_FUNCTION StartNimbrel
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.SettingsPage un.SettingsPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${NIMBREL_FILE_VERSION}"
VIFileVersion "${NIMBREL_FILE_VERSION}"
VIAddVersionKey "ProductName" "Nimbrel"
VIAddVersionKey "ProductVersion" "${NIMBREL_VERSION}"
VIAddVersionKey "FileVersion" "${NIMBREL_VERSION}"
VIAddVersionKey "FileDescription" "Nimbrel ${NIMBREL_VERSION} Setup"
VIAddVersionKey "CompanyName" "Nimbrel"
VIAddVersionKey "LegalCopyright" "Copyright (C) The Nimbrel developers"

Var RemoveSettings
Var SettingsCheckBox

; Asks a running Nimbrel to exit the way its own Exit command does, so that it saves the options
; and puts the user's wallpaper back, and waits until it has gone: its files cannot be replaced or
; removed while it runs. Nimbrel holds its lock from start to end, and its hidden window may come
; a moment after the lock, so both are watched; the window gets the command once. The lock goes
; just before the process ends, and the program file is free only once it has ended, so the
; process asked is waited for too.
; Aborts the install or uninstall when Nimbrel does not go (a silent run without asking).
!macro CloseNimbrelFunction PREFIX
    Function ${PREFIX}CloseNimbrel
        Push $0 ; the window asked
        Push $1 ; the hidden window
        Push $2 ; the lock, then the wait's result
        Push $3 ; steps waited
        Push $4 ; the process asked
        Push $5
        StrCpy $0 0
        StrCpy $4 0
    retry:
        StrCpy $3 0
        ${Do}
            System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${NIMBREL_MUTEX}") p .r2'
            ${If} $2 P<> 0
                System::Call 'kernel32::CloseHandle(p r2)'
                FindWindow $1 "${NIMBREL_HIDDEN_WINDOW}"
                ${If} $1 P<> 0
                ${AndIf} $1 P<> $0
                    DetailPrint "Asking Nimbrel to exit"
                    StrCpy $0 $1
                    ${If} $4 P<> 0
                        System::Call 'kernel32::CloseHandle(p r4)'
                    ${EndIf}
                    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r5)'
                    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r5) p .r4'
                    System::Call 'user32::PostMessageW(p r1, i ${WM_COMMAND}, p ${ID_APP_EXIT}, p 0)'
                ${EndIf}
            ${ElseIf} $4 P= 0
                Goto gone
            ${Else}
                System::Call 'kernel32::WaitForSingleObject(p r4, i 0) i .r2'
                ${If} $2 = 0 ; WAIT_OBJECT_0: ended
                    Goto gone
                ${EndIf}
            ${EndIf}
            IntOp $3 $3 + 1
            ${If} $3 > ${EXIT_WAIT_STEPS}
                ${Break}
            ${EndIf}
            Sleep 250
        ${Loop}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "Nimbrel is still running. Please exit it (right-click its icon in the notification area, then Exit) and click Retry." \
            /SD IDCANCEL IDRETRY retry
        ${If} $4 P<> 0
            System::Call 'kernel32::CloseHandle(p r4)'
        ${EndIf}
        Abort "Nimbrel is still running."
    gone:
        ${If} $4 P<> 0
            System::Call 'kernel32::CloseHandle(p r4)'
        ${EndIf}
        Pop $5
        Pop $4
        Pop $3
        Pop $2
        Pop $1
        Pop $0
    FunctionEnd
!macroend
!insertmacro CloseNimbrelFunction ""
!insertmacro CloseNimbrelFunction "un."

!macro QuitForWantOfRightsFunction PREFIX
    Function ${PREFIX}QuitForWantOfRights
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
    FunctionEnd
!macroend
!insertmacro QuitForWantOfRightsFunction ""
!insertmacro QuitForWantOfRightsFunction "un."

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

Section "Nimbrel"
    SectionIn RO
    Call CloseNimbrel
    !insertmacro NimbrelInstallFiles
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Nimbrel.lnk" "$INSTDIR\Nimbrel.exe" "" "$INSTDIR\Nimbrel.exe" 0

    ; SHCTX is HKCU for the current user, HKLM for all users (MultiUser sets it).
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Nimbrel"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${NIMBREL_VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "The Nimbrel developers"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Nimbrel.exe,0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${NIMBREL_WEB_PAGE}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    ; The install mode goes with the uninstaller's command, so that it cleans up where it installed.
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function StartNimbrel
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\Nimbrel.exe"'
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
    StrCpy $RemoveSettings ${BST_UNCHECKED}
    ; Started without a mode, as from the program folder itself: the install it sits in decides.
    ${un.GetParameters} $0
    ClearErrors
    ${un.GetOptions} $0 "/AllUsers" $1
    ${IfThen} ${Errors} ${|} ${un.GetOptions} $0 "/CurrentUser" $1 ${|}
    ${If} ${Errors}
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $2 == $INSTDIR
            Call un.MultiUser.InstallMode.CurrentUser
        ${ElseIf} $1 == $INSTDIR
            Call un.MultiUser.InstallMode.AllUsers
        ${EndIf}
    ${EndIf}
FunctionEnd

; Nimbrel keeps the settings in the roaming application data of whoever runs it, whatever the
; install mode; for all users that shell context would name ProgramData instead.
Function un.UserSettingsFolder
    SetShellVarContext current
    Push "$APPDATA\Nimbrel"
    ${If} $MultiUser.InstallMode == "AllUsers"
        SetShellVarContext all
    ${EndIf}
FunctionEnd

Function un.SettingsPage
    !insertmacro MUI_HEADER_TEXT "Uninstall Nimbrel" "Remove Nimbrel from your computer."
    nsDialogs::Create 1018
    Pop $0
    ${If} $0 == error
        Abort
    ${EndIf}
    Call un.UserSettingsFolder
    Pop $1
    ${NSD_CreateLabel} 0 0 100% 48u "Nimbrel will be removed from $INSTDIR.$\r$\n$\r$\nYour settings, favourite cities and wallpaper pictures stay in $1, ready for the next install, unless you tick the box below."
    Pop $0
    ${NSD_CreateCheckbox} 0 56u 100% 12u "&Remove my Nimbrel settings and cities as well"
    Pop $SettingsCheckBox
    ${NSD_SetState} $SettingsCheckBox $RemoveSettings
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
    nsDialogs::Show
FunctionEnd

Function un.SettingsPageLeave
    ${NSD_GetState} $SettingsCheckBox $RemoveSettings
FunctionEnd

Section "Uninstall"
    Call un.CloseNimbrel
    !insertmacro NimbrelRemoveFiles
    Delete /REBOOTOK "$INSTDIR\Uninstall.exe"
    Delete "$SMPROGRAMS\Nimbrel.lnk"

    ; The log-on start, when it starts this copy (quietly, as Nimbrel writes it, or as older
    ; versions did): a copy elsewhere keeps its own.
    ReadRegStr $0 HKCU "${RUN_KEY}" "Nimbrel"
    ${If} $0 == '"$INSTDIR\Nimbrel.exe" /background'
    ${OrIf} $0 == '"$INSTDIR\Nimbrel.exe"'
    ${OrIf} $0 == "$INSTDIR\Nimbrel.exe"
        DeleteRegValue HKCU "${RUN_KEY}" "Nimbrel"
    ${EndIf}

    ${If} $RemoveSettings = ${BST_CHECKED}
        Call un.UserSettingsFolder
        Pop $0
        RMDir /r /REBOOTOK "$0"
    ${EndIf}

    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ; Last, and only when empty: whatever the user put there stays.
    RMDir /REBOOTOK "$INSTDIR"
SectionEnd
