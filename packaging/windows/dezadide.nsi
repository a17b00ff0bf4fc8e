; The Windows installer: both programs (each carries its pictures) in one
; folder with the sample clips that --demo makes its sample disk from, the
; Start-menu entries (the program, and the program on a sample disk, as the
; Linux desktop menu has them), an uninstaller registered with Windows.
; The program is under the GPL (version 2 or later), shown on the first
; page; the FFmpeg decoders linked into it come with their own licence
; notice, installed beside the program with the note of their source.
; scripts/windows-installer.sh runs makensis with -DVERSION=<project
; version> -DSOURCE=<source tree> -DBUILD=<windows build> -DOUTFILE=<setup.exe>
; -DFFMPEG=<the FFmpeg build scripts/build-ffmpeg-win.sh made>
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
!insertmacro Require FFMPEG

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
VIAddVersionKey "LegalCopyright" "The Dezadide developers; GNU GPL version 2 or later"

LicenseData "${SOURCE}/LICENSE"
LicenseForceSelection off
Page license
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
  File "/oname=LICENSE.txt" "${SOURCE}/LICENSE"
  SetOutPath "$INSTDIR\licences\FFmpeg"
  File "${FFMPEG}/share/licence/LICENSE.md"
  File "${FFMPEG}/share/licence/COPYING.LGPLv2.1"
  File "${FFMPEG}/share/licence/SOURCE.txt"
  SetOutPath "$INSTDIR\demo"
  File "${BUILD}/src/demo/av_mp2.ts"
  File "${BUILD}/src/demo/av_ac3.ts"
  File "${BUILD}/src/demo/audio_mp2.ts"
  File "${BUILD}/src/demo/mp3_32k_128.mp3"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Dezadide"
  CreateShortcut "$SMPROGRAMS\Dezadide\Dezadide.lnk" "$INSTDIR\dezadide.exe"
  CreateShortcut "$SMPROGRAMS\Dezadide\Try on a Sample Disk.lnk" "$INSTDIR\dezadide.exe" "--demo"
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
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\licences\FFmpeg\LICENSE.md"
  Delete "$INSTDIR\licences\FFmpeg\COPYING.LGPLv2.1"
  Delete "$INSTDIR\licences\FFmpeg\SOURCE.txt"
  RMDir "$INSTDIR\licences\FFmpeg"
  RMDir "$INSTDIR\licences"
  Delete "$INSTDIR\demo\av_mp2.ts"
  Delete "$INSTDIR\demo\av_ac3.ts"
  Delete "$INSTDIR\demo\audio_mp2.ts"
  Delete "$INSTDIR\demo\mp3_32k_128.mp3"
  RMDir "$INSTDIR\demo"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Dezadide\Dezadide.lnk"
  Delete "$SMPROGRAMS\Dezadide\Try on a Sample Disk.lnk"
  Delete "$SMPROGRAMS\Dezadide\Uninstall Dezadide.lnk"
  RMDir "$SMPROGRAMS\Dezadide"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
