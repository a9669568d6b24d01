; Sumvane for one Windows user, with the user's own rights: the programs in the user's own
; programs folder, a Start-menu shortcut, and an entry in "Apps & features" that uninstalls it.
; Installing again, or a later version, replaces the files where they are. Silent with /S.
;   makensis -DVERSION=VERSION -DTARGET=amd64-unicode -DSTAGE=DIR -DICON=FILE.ico
;            -DHOMEPAGE=URL -DOUTFILE=FILE.exe installer.nsi
; STAGE holds what the zip holds: sumvane.exe, sumvane-lrc.exe, README.txt and the licences.

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

Name "Sumvane"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\Sumvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sumvane"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Sumvane"
VIAddVersionKey "FileDescription" "Sumvane installer"
VIAddVersionKey "CompanyName" "Sumvane"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext current
  ; An installed Sumvane is replaced where it is.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" +2
  StrCpy $INSTDIR $0
FunctionEnd

Section "Sumvane"
  SetOutPath "$INSTDIR"
  File "${STAGE}/sumvane.exe"
  File "${STAGE}/sumvane-lrc.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/PCRE2-LICENCE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Sumvane.lnk" "$INSTDIR\sumvane.exe" "" "$INSTDIR\sumvane.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Sumvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Sumvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sumvane.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Sumvane.lnk"
  Delete "$INSTDIR\sumvane.exe"
  Delete "$INSTDIR\sumvane-lrc.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\PCRE2-LICENCE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
