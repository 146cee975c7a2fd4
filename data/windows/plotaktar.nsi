; The Windows installer: plotaktar.exe (the window) and plotaktar-cli.exe under Program Files,
; Start-menu entries, the file types .gplt, .yaz and .yfn with icon and description (no open
; command: the window takes no command line), and an uninstaller listed in Apps & features.
; `/S` installs (and uninstalls) silently; the texts are Turkish or English, after the system.
;   makensis -DVERSION=1.0.0 -DBUILD=<folder of the .exe files> -DICON=<data/plotaktar.ico>
;            -DOUTFILE=<plotaktar-VERSION-setup.exe> plotaktar.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "Plotaktar"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Plotaktar"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
ManifestDPIAware true
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "2026 The plotaktar developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\plotaktar.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Turkish"
!insertmacro MUI_LANGUAGE "English"

LangString PromptName ${LANG_TURKISH} "Plotaktar komut istemi"
LangString PromptName ${LANG_ENGLISH} "Plotaktar command prompt"
LangString GeometryType ${LANG_TURKISH} "Plotaktar geometri dosyası"
LangString GeometryType ${LANG_ENGLISH} "Plotaktar geometry file"
LangString LabelType ${LANG_TURKISH} "Plotaktar yazı dosyası"
LangString LabelType ${LANG_ENGLISH} "Plotaktar label file"
LangString CompanionType ${LANG_TURKISH} "Plotaktar yazı eş dosyası"
LangString CompanionType ${LANG_ENGLISH} "Plotaktar label companion file"

; A file type: the extension names our class, which carries the description and the icon. The
; extension is taken only where no other program has it; an extension that names our class
; already is kept as it is.
!macro RegisterType EXT CLASS DESCRIPTION
    WriteRegStr HKLM "Software\Classes\${CLASS}" "" "${DESCRIPTION}"
    WriteRegStr HKLM "Software\Classes\${CLASS}\DefaultIcon" "" "$INSTDIR\plotaktar.exe,0"
    ReadRegStr $0 HKLM "Software\Classes\${EXT}" ""
    ${If} $0 == ""
        WriteRegStr HKLM "Software\Classes\${EXT}" "" "${CLASS}"
    ${EndIf}
!macroend

; Removes what RegisterType wrote: the extension only while it still names our class.
!macro UnregisterType EXT CLASS
    DeleteRegKey HKLM "Software\Classes\${CLASS}"
    ReadRegStr $0 HKLM "Software\Classes\${EXT}" ""
    ${If} $0 == "${CLASS}"
        DeleteRegValue HKLM "Software\Classes\${EXT}" ""
        DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}"
    ${EndIf}
!macroend

Function .onInit
    SetRegView 64
    SetShellVarContext all
    !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
    !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Plotaktar"
    SetOutPath "$INSTDIR"
    File "/oname=plotaktar.exe" "${BUILD}/plotaktar.exe"
    File "/oname=plotaktar-cli.exe" "${BUILD}/plotaktar-cli.exe"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\plotaktar.exe" "" "$INSTDIR\plotaktar.exe" 0
    ; A command prompt that starts in the install folder, where plotaktar-cli.exe is.
    CreateShortcut "$SMPROGRAMS\$(PromptName).lnk" "$SYSDIR\cmd.exe" "/k plotaktar-cli --help"

    !insertmacro RegisterType ".gplt" "Plotaktar.Geometry" "$(GeometryType)"
    !insertmacro RegisterType ".yaz" "Plotaktar.Labels" "$(LabelType)"
    !insertmacro RegisterType ".yfn" "Plotaktar.Companion" "$(CompanionType)"
    ; Explorer shows the new icons at once.
    System::Call "shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\plotaktar.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The plotaktar developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; The prompt's name is the installing language's: the uninstaller finds it here.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PromptShortcut" "$SMPROGRAMS\$(PromptName).lnk"
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\plotaktar.exe"
    Delete "$INSTDIR\plotaktar-cli.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "PromptShortcut"
    ${If} $0 != ""
        Delete "$0"
    ${EndIf}

    !insertmacro UnregisterType ".gplt" "Plotaktar.Geometry"
    !insertmacro UnregisterType ".yaz" "Plotaktar.Labels"
    !insertmacro UnregisterType ".yfn" "Plotaktar.Companion"
    System::Call "shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
