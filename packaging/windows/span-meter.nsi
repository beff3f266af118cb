; The Windows installer, built by scripts/build-windows.sh with NSIS:
;   makensis -DVERSION=1.0.0 -DSTAGE=<the zip's folder> -DFILES=<files.nsh> -DFOLDERS=<folders.nsh>
;            -DOUTFILE=<setup.exe> -DSIZE_KB=<size>
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
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${STAGE}/span-meter.ico"
!define MUI_UNICON "${STAGE}/span-meter.ico"
; The GPL asks nothing of the user who runs the program: the page informs, it does not ask to agree.
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM \
    "The licences of the Qt and MinGW libraries it carries are in the installed folder."
!insertmacro MUI_PAGE_LICENSE "${STAGE}/COPYING.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

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
        RMDir "$installed"
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" \
        "$INSTDIR\span-meter.ico"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://www.span-meter.example/"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
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
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
