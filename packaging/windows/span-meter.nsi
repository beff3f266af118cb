; The Windows installer, built by scripts/build-windows.sh with NSIS:
;   makensis -DVERSION=1.0.0 -DSTAGE=<the zip's folder> -DFILES=<files.nsh> -DFOLDERS=<folders.nsh>
;            -DOUTFILE=<setup.exe> -DSIZE_KB=<size> -DICON=<span-meter.ico>
;            -DLICENCE=<the licence page's text> -DPICTURE=<the finish page's picture>
; It installs into Program Files for all users, or over the copy already installed, adds a
; Start-menu entry and an entry in the list of installed programs, and leaves an uninstaller that
; takes all of it away. /S runs either without a window.
; A 64-bit installer for a 64-bit program: it also runs where no 32-bit layer is installed.
Target amd64-unicode
SetCompressor /SOLID lzma
; Drawn sharp at 125 and 150 %, not stretched from 96 dpi.
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tallyglass Hourwick Span Meter"
!define PUBLISHER "The Span Meter team"
!define COPYRIGHT "Copyright (C) 2026 ${PUBLISHER}; GPL-3.0-or-later"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SpanMeter"
!define PROGRAM "span-meter.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; A second run installs over the copy already there, wherever it went; /D= still wins.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
; The uninstaller is written from the installer and carries the same description.
VIAddVersionKey "FileDescription" "${PRODUCT} installer and uninstaller"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; Drawn at twice the page's size, so that it is shrunk, never enlarged, up to 192 dpi, and kept
; in its proportions: the page's box is not always as tall for its width.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight
; The list of what was done stays up until the user moves on.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE

; Every page names the window "<product> Setup" or "<product> Uninstall" (showTitle): the pages'
; own captions would add a blank to it.
; The GPL asks nothing of the user who runs the program: the page informs, it does not ask to agree.
!define MUI_PAGE_HEADER_TEXT "Licence"
!define MUI_PAGE_HEADER_SUBTEXT "The terms under which ${PRODUCT} is free software."
!define MUI_LICENSEPAGE_TEXT_TOP "Press Page Down to read on."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM \
    "The licences of the Qt and MinGW libraries it carries are in the installed folder."
!define MUI_PAGE_CUSTOMFUNCTION_SHOW showTitle
!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW showTitle
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_CUSTOMFUNCTION_SHOW showTitle
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW showTitle
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION startAsTheUser
!insertmacro MUI_PAGE_FINISH
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.showTitle
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.showTitle
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.showTitle
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

Function showTitle
    SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:$(^SetupCaption)"
FunctionEnd

Function un.showTitle
    SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:$(^UninstallCaption)"
FunctionEnd

; The installer runs with the rights of an administrator, which the program must not inherit: the
; user's own shell starts it, as the user.
Function startAsTheUser
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${PROGRAM}"'
FunctionEnd

; The folder of the copy already installed, from its entry; empty when there is none.
Var installed

; Windows keeps a running program's file from being written or deleted, so a copy still open
; would be left half replaced or half removed. Asks the user to close it while it runs; /S does
; not ask, and gives up with exit code 2 before anything has changed. The folder to check is on
; the stack.
!macro WAIT_UNTIL_CLOSED un
Function ${un}waitUntilClosed
    Exch $R0
    Push $R1
    ${Do}
        ClearErrors
        ${IfNot} ${FileExists} "$R0\${PROGRAM}"
            ${Break}
        ${EndIf}
        FileOpen $R1 "$R0\${PROGRAM}" a
        ${IfNot} ${Errors}
            FileClose $R1
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "${PRODUCT} is open, from the folder$\r$\n$R0$\r$\n$\r$\nClose it, then choose Retry." \
            /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Abort "${PRODUCT} is still open; nothing was changed."
        retry:
    ${Loop}
    Pop $R1
    Pop $R0
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

Function .onInit
    SetRegView 64
    SetShellVarContext all
    ReadRegStr $installed HKLM "${UNINSTALL_KEY}" "InstallLocation"
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/tidy" $R1
    ${IfNot} ${Errors}
        Call un.tidy
        Quit
    ${EndIf}
FunctionEnd

; The user's skin goes with the program from the folder of the copy removed ($installed) to the
; new one, unless the new one has a skin of its own; the old folder goes when nothing else of the
; user's is left in it.
Function moveSkin
    ${IfNot} ${FileExists} "$installed\x\o.cjs"
    ${OrIf} ${FileExists} "$INSTDIR\x\o.cjs"
        Return
    ${EndIf}
    DetailPrint "Moving the skin from $installed\x to $INSTDIR\x"
    CreateDirectory "$INSTDIR\x"
    ClearErrors
    Rename "$installed\x\o.cjs" "$INSTDIR\x\o.cjs"
    ${If} ${Errors} ; another drive: copied, then deleted
        CopyFiles /SILENT "$installed\x\o.cjs" "$INSTDIR\x"
        Delete "$installed\x\o.cjs"
    ${EndIf}
    RMDir "$installed\x"
FunctionEnd

Section "Install"
    Push $INSTDIR
    Call waitUntilClosed
    ; One copy under one entry: a copy elsewhere, which the user chose to leave, goes first, with
    ; its own uninstaller, waited for in its folder.
    ${If} $installed != ""
    ${AndIf} $installed != $INSTDIR
    ${AndIf} ${FileExists} "$installed\uninstall.exe"
        Push $installed
        Call waitUntilClosed
        DetailPrint "Removing the copy in $installed"
        ClearErrors
        ExecWait '"$installed\uninstall.exe" /S _?=$installed' $0
        ${If} ${Errors}
        ${OrIf} $0 != 0
            SetErrorLevel 2
            Abort "The copy in $installed could not be removed; nothing was installed."
        ${EndIf}
        Delete "$installed\uninstall.exe"
        Call moveSkin
        RMDir "$installed"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "$INSTDIR\manual.html"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    ; Run in place (_?=), the uninstaller is the process its caller waits for, and its exit code
    ; says what happened; started plainly it would hand over to a copy of itself and say 0 at once.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" \
        '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; Only what the installer put there: a folder the user chose may hold files of their own, such as
; a skin, and those stay. When one of ours cannot be deleted, the uninstaller, its entry and the
; shortcut stay too, so that it can be run again, and it says it failed (exit code 2 under /S).
Section "Uninstall"
    Push $INSTDIR
    Call un.waitUntilClosed
    ClearErrors
    !include "${FILES}"
    ${If} ${Errors}
        SetErrorLevel 2
        Abort "Some files in $INSTDIR could not be removed; close what uses them, then uninstall again."
    ${EndIf}
    !include "${FOLDERS}"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ; Run in place, the uninstaller cannot delete its own file while it runs: a copy of it in the
    ; temporary folder does, once this one has ended.
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
        GetTempFileName $0
        Delete "$0"
        CopyFiles /SILENT "$EXEPATH" "$0.exe"
        Exec '"$0.exe" /S /tidy _?=$INSTDIR'
    ${EndIf}
SectionEnd

; /tidy: waits up to a minute for the uninstaller that started it to end, deletes it and the
; folder when that is empty, and marks its own file to go when Windows next starts.
Function un.tidy
    ${For} $R0 1 300
        ClearErrors
        Delete "$INSTDIR\uninstall.exe"
        ${IfNot} ${FileExists} "$INSTDIR\uninstall.exe"
            ${Break}
        ${EndIf}
        Sleep 200
    ${Next}
    RMDir "$INSTDIR"
    Delete /REBOOTOK "$EXEPATH"
FunctionEnd
