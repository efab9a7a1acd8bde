; The Windows installer: the programs, the README and the licence in
; Program Files, a Start-menu folder, and an uninstaller that Windows'
; Apps list offers. makensis is given VERSION, BUILD (the build folder),
; SOURCE (the project), ICON, and OUTFILE to write.
; A 64-bit installer for a 64-bit program, and Wine without its 32-bit part.
Target amd64-unicode
SetCompressor /SOLID lzma
Name "Sarvelin ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Sarvelin"
RequestExecutionLevel admin
Icon "${ICON}"
UninstallIcon "${ICON}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Sarvelin"
VIAddVersionKey /LANG=1033 "FileDescription" "Sarvelin ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "See LICENSE"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sarvelin"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; For every user of the machine, as Program Files is.
Section "Sarvelin"
    SetShellVarContext all
    SetRegView 64
    SetOutPath "$INSTDIR"
    File "${BUILD}/cli/sarvelin-cli.exe"
!if /FileExists "${BUILD}/app/sarvelin.exe"
    File "${BUILD}/app/sarvelin.exe"
!endif
    File /oname=README.md "${SOURCE}/README.md"
    File /oname=LICENSE.txt "${SOURCE}/LICENSE"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\Sarvelin"
!if /FileExists "${BUILD}/app/sarvelin.exe"
    CreateShortCut "$SMPROGRAMS\Sarvelin\Sarvelin.lnk" "$INSTDIR\sarvelin.exe"
!endif
    ; A prompt in the install folder, with the commands listed.
    CreateShortCut "$SMPROGRAMS\Sarvelin\Sarvelin command line.lnk" "$SYSDIR\cmd.exe" \
        "/k sarvelin-cli.exe --help"
    CreateShortCut "$SMPROGRAMS\Sarvelin\Uninstall Sarvelin.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Sarvelin"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Sarvelin"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sarvelin-cli.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there: a folder the user filled stays.
Section "Uninstall"
    SetShellVarContext all
    SetRegView 64
    Delete "$INSTDIR\sarvelin-cli.exe"
    Delete "$INSTDIR\sarvelin.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Sarvelin\Sarvelin.lnk"
    Delete "$SMPROGRAMS\Sarvelin\Sarvelin command line.lnk"
    Delete "$SMPROGRAMS\Sarvelin\Uninstall Sarvelin.lnk"
    RMDir "$SMPROGRAMS\Sarvelin"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
