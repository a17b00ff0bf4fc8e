; The Windows installer: both programs (each carries its pictures) in one
; folder, a Start-menu entry, an uninstaller registered with Windows.
; scripts/windows-installer.sh runs makensis with -DVERSION=<project
; version> -DSOURCE=<source tree> -DBUILD=<windows build> -DOUTFILE=<setup.exe>
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!macro Require NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require SOURCE
!insertmacro Require BUILD
!insertmacro Require OUTFILE

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dezadide"

Name "Dezadide ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Dezadide"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${SOURCE}/res/dezadide.ico"
UninstallIcon "${SOURCE}/res/dezadide.ico"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Dezadide"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Dezadide ${VERSION} setup"
VIAddVersionKey "LegalCopyright" ""

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Dezadide"
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${BUILD}/src/dezadide.exe"
  File "${BUILD}/src/dezadide-cli.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Dezadide"
  CreateShortcut "$SMPROGRAMS\Dezadide\Dezadide.lnk" "$INSTDIR\dezadide.exe"
  CreateShortcut "$SMPROGRAMS\Dezadide\Uninstall Dezadide.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Dezadide"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dezadide.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$INSTDIR\dezadide.exe"
  Delete "$INSTDIR\dezadide-cli.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Dezadide\Dezadide.lnk"
  Delete "$SMPROGRAMS\Dezadide\Uninstall Dezadide.lnk"
  RMDir "$SMPROGRAMS\Dezadide"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
