; The Windows installer of TMX-1: the 64-bit VST 2 plug-in into a VST folder the user chooses, the CLAP
; plug-in into the common CLAP folder every CLAP host scans, the manual and the uninstaller into the
; product's own folder, the machine setting that names the manual for the plug-in, and the entry in
; Windows' list of installed programs. Made by make-windows-packages:
;
;   makensis -DVERSION=<version> -DDLL=<TMX-1.dll> -DCLAP=<TMX-1.clap> -DMANUAL=<manual.pdf>
;            -DOUTFILE=<setup.exe> TMX-1.nsi
;
; Silent use: `setup.exe /S [/D=C:\folder for VST plug-ins]` (/D= last and unquoted, as Windows
; installers take it) and `"Uninstall TMX-1.exe" /S`. Exit codes: 0 done, 1 cancelled, 2 failed.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true

!macro REQUIRE_DEFINE name
    !ifndef ${name}
        !error "${name} is not defined: makensis -D${name}=... (see the top of this script)"
    !endif
!macroend
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE DLL
!insertmacro REQUIRE_DEFINE CLAP
!insertmacro REQUIRE_DEFINE MANUAL
!insertmacro REQUIRE_DEFINE OUTFILE

!define PRODUCT "TMX-1"
!define MAKER "Brindlow Audio"
!define DLL_NAME "TMX-1.dll"
!define CLAP_NAME "TMX-1.clap"
!define MANUAL_NAME "TMX-1 Manual.pdf"
!define UNINSTALLER_NAME "Uninstall TMX-1.exe"
; The plug-in reads the value Manual of this key (in the 64-bit view); the rest is the installer's.
!define SETTINGS_KEY "Software\${MAKER}\${PRODUCT}"
!define MAKER_KEY "Software\${MAKER}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MAKER_FOLDER "$PROGRAMFILES64\${MAKER}"
!define PRODUCT_FOLDER "${MAKER_FOLDER}\${PRODUCT}"
; Shared by every maker's CLAP plug-ins: C:\Program Files\Common Files\CLAP.
!define CLAP_FOLDER "$COMMONFILES64\CLAP"

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${MAKER}"
; The VST folder is $INSTDIR: what the directory page and /D= choose, the one of the last install
; by default.
InstallDir "$PROGRAMFILES64\VSTPlugins"
InstallDirRegKey HKLM "${SETTINGS_KEY}" "VstFolder"
ShowInstDetails show
ShowUninstDetails show
; A file that cannot be written ends the install rather than leaving a plug-in without its parts.
AllowSkipFiles off

; Windows wants four numbers in the file's version: "1.10" becomes 1.10.0.0.
!searchparse /noerrors "${VERSION}.0.0.0" "" VERSION_1 "." VERSION_2 "." VERSION_3 "." VERSION_4 "."
VIProductVersion "${VERSION_1}.${VERSION_2}.${VERSION_3}.${VERSION_4}"
VIFileVersion "${VERSION_1}.${VERSION_2}.${VERSION_3}.${VERSION_4}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${MAKER}"

; ---- pages
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION}, the stereo peak compressor and limiter by \
    ${MAKER}, as a 64-bit CLAP and VST 2 plug-in.$\r$\n$\r$\nClose your DAW before you continue, so that \
    it can find ${PRODUCT} at its next plug-in scan.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the folder your DAW scans for 64-bit VST 2 plug-ins. \
    ${DLL_NAME} goes there; the CLAP plug-in ${CLAP_NAME} goes to ${CLAP_FOLDER}, where CLAP hosts look, \
    and the manual to ${PRODUCT_FOLDER}."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed: the VST 2 plug-in in $INSTDIR, the CLAP plug-in in \
    ${CLAP_FOLDER}.$\r$\n$\r$\nRescan plug-ins in your DAW and insert ${PRODUCT} by ${MAKER} on a stereo \
    track or bus."
!define MUI_FINISHPAGE_SHOWREADME "${PRODUCT_FOLDER}\${MANUAL_NAME}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the manual"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---- checks before anything changes
!macro REQUIRE_ADMIN_AND_64_BIT
    SetRegView 64
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is a 64-bit plug-in and needs 64-bit Windows." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_OK|MB_ICONSTOP "Changing ${PRODUCT} needs administrator rights.$\r$\n$\r$\nStart this \
            program again with a right-click and $\"Run as administrator$\"." /SD IDOK
        SetErrorLevel 740 ; what Windows answers when a program needs elevation
        Quit
    ${EndIf}
!macroend

Function .onInit
    !insertmacro REQUIRE_ADMIN_AND_64_BIT
FunctionEnd

Function un.onInit
    !insertmacro REQUIRE_ADMIN_AND_64_BIT
FunctionEnd

; A DAW that has the plug-in loaded holds its DLL open: Windows then refuses to replace or delete it.
; Asks the user to close the DAW and retry; gives up (exit code 2) when the user cancels or nobody is
; there to ask (silent mode). $0: the DLL's path.
!macro ENSURE_DLL_FREE un
    Function ${un}EnsureDllFree
        ${Do}
            ${IfNot} ${FileExists} "$0"
                Return
            ${EndIf}
            ClearErrors
            FileOpen $1 "$0" a
            ${IfNot} ${Errors}
                FileClose $1
                Return
            ${EndIf}
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$0 is in use, most likely by a running DAW.\
                $\r$\n$\r$\nClose every program that has ${PRODUCT} loaded, then click Retry." \
                /SD IDCANCEL IDRETRY retry
            DetailPrint "$0 is in use: close the DAW that has ${PRODUCT} loaded and run this again."
            SetErrorLevel 2
            Abort "$0 is in use: close the DAW and run this again."
          retry:
        ${Loop}
    FunctionEnd
!macroend
!insertmacro ENSURE_DLL_FREE ""
!insertmacro ENSURE_DLL_FREE "un."

; ---- install
Var PreviousVstFolder
Var PreviousVstFolderCreated
Var VstFolderCreated

Section "${PRODUCT}" SectionProduct
    SetShellVarContext all
    ReadRegStr $PreviousVstFolder HKLM "${SETTINGS_KEY}" "VstFolder"
    ReadRegDWORD $PreviousVstFolderCreated HKLM "${SETTINGS_KEY}" "VstFolderCreated"
    ; The uninstaller removes the VST folder only when this installer made it (and it is empty then).
    StrCpy $VstFolderCreated 0
    ${If} $PreviousVstFolder == $INSTDIR
        StrCpy $VstFolderCreated $PreviousVstFolderCreated
    ${EndIf}
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $VstFolderCreated 1
    ${EndIf}

    StrCpy $0 "$INSTDIR\${DLL_NAME}"
    Call EnsureDllFree
    StrCpy $0 "${CLAP_FOLDER}\${CLAP_NAME}"
    Call EnsureDllFree
    SetOutPath "$INSTDIR"
    File "/oname=${DLL_NAME}" "${DLL}"
    SetOutPath "${CLAP_FOLDER}"
    File "/oname=${CLAP_NAME}" "${CLAP}"

    SetOutPath "${PRODUCT_FOLDER}"
    File "/oname=${MANUAL_NAME}" "${MANUAL}"
    WriteUninstaller "${PRODUCT_FOLDER}\${UNINSTALLER_NAME}"

    ; A DAW would find two copies if the plug-in stayed where an earlier install put it.
    ${If} $PreviousVstFolder != ""
    ${AndIf} $PreviousVstFolder != $INSTDIR
        Delete "$PreviousVstFolder\${DLL_NAME}"
        ${If} $PreviousVstFolderCreated == 1
            RMDir "$PreviousVstFolder" ; only when empty
        ${EndIf}
    ${EndIf}

    WriteRegStr HKLM "${SETTINGS_KEY}" "Manual" "${PRODUCT_FOLDER}\${MANUAL_NAME}"
    WriteRegStr HKLM "${SETTINGS_KEY}" "VstFolder" "$INSTDIR"
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "VstFolderCreated" $VstFolderCreated
    Call RegisterProgram
SectionEnd

; The entry in Windows' list of installed programs.
Function RegisterProgram
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${PRODUCT_FOLDER}\${UNINSTALLER_NAME},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${PRODUCT_FOLDER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${PRODUCT_FOLDER}\${UNINSTALLER_NAME}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${PRODUCT_FOLDER}\${UNINSTALLER_NAME}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize ${SectionProduct} $0 ; in KiB, as Windows reads EstimatedSize
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; ---- uninstall
Var UnVstFolder

Section "Uninstall"
    SetShellVarContext all
    ; The plug-ins first: when a DAW holds one, nothing else has changed yet.
    StrCpy $0 "${CLAP_FOLDER}\${CLAP_NAME}"
    Call un.EnsureDllFree
    ReadRegStr $UnVstFolder HKLM "${SETTINGS_KEY}" "VstFolder"
    ${If} $UnVstFolder != ""
        StrCpy $0 "$UnVstFolder\${DLL_NAME}"
        Call un.EnsureDllFree
        Delete "$UnVstFolder\${DLL_NAME}"
        ReadRegDWORD $1 HKLM "${SETTINGS_KEY}" "VstFolderCreated"
        ${If} $1 == 1
            RMDir "$UnVstFolder" ; only when empty: other plug-ins may have moved in since
        ${EndIf}
    ${EndIf}
    Delete "${CLAP_FOLDER}\${CLAP_NAME}"
    RMDir "${CLAP_FOLDER}" ; only when no other CLAP plug-in is there

    Delete "${PRODUCT_FOLDER}\${MANUAL_NAME}"
    Delete "${PRODUCT_FOLDER}\${UNINSTALLER_NAME}"
    RMDir "${PRODUCT_FOLDER}"
    RMDir "${MAKER_FOLDER}" ; only when the maker has no other product here

    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "${MAKER_KEY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
