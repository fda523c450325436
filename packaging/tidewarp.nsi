; Tidewarp's installer. Built by the CMake target "installer", which defines:
;   VERSION (0.9.0), VERSION_QUAD (0.9.0.0), BINDIR (the built programs, the movie and help.html),
;   OUTFILE, MAIN_PROGRAM (the program the Start-menu shortcut starts) and, once the window
;   program is built, WINDOW_PROGRAM.
; Silent: Tidewarp-<version>-setup.exe /S, and uninstall.exe /S.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidewarp"
; The programs write events to the Application log under the source "Tidewarp".
!define EVENTLOG_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Tidewarp"

Name "Tidewarp"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tidewarp"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Tidewarp"
VIAddVersionKey /LANG=1033 "CompanyName" "Tidewarp"
VIAddVersionKey /LANG=1033 "FileDescription" "Tidewarp Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tidewarp"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
!ifdef WINDOW_PROGRAM
    File "${BINDIR}/tidewarp.exe"
!endif
    File "${BINDIR}/tidewarp-cli.exe"
    File "${BINDIR}/skin3.swf"
    File "${BINDIR}/help.html"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut's "Start in" is the working folder set by SetOutPath: the program keeps its
    ; ignore list and its registry backups there.
    CreateShortcut "$SMPROGRAMS\Tidewarp.lnk" "$INSTDIR\${MAIN_PROGRAM}" "" "$INSTDIR\${MAIN_PROGRAM}" 0

    ; The quoted UninstallString names the uninstaller written above, so Tidewarp's own scan of
    ; uninstall entries finds the file and never reports this entry.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tidewarp"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tidewarp"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${MAIN_PROGRAM},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    ; The event source: the log viewer takes the events' texts from the message table that both
    ; programs carry; information, warnings and errors (1 | 2 | 4).
    WriteRegExpandStr HKLM "${EVENTLOG_KEY}" "EventMessageFile" "$INSTDIR\tidewarp-cli.exe"
    WriteRegDWORD HKLM "${EVENTLOG_KEY}" "TypesSupported" 7
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${EVENTLOG_KEY}"
    Delete "$SMPROGRAMS\Tidewarp.lnk"
    ; Only the files the installer put here: the user's "Registry Backups" and "ignore.lst" stay,
    ; and the folder goes only when nothing else is left in it.
    Delete "$INSTDIR\tidewarp.exe"
    Delete "$INSTDIR\tidewarp-cli.exe"
    Delete "$INSTDIR\skin3.swf"
    Delete "$INSTDIR\help.html"
    ; This runs from a copy in the temporary folder, started by uninstall.exe just before it
    ; exits. On a busy machine uninstall.exe may still be running when we get here, and a running
    ; program cannot be deleted: try again for up to ten seconds.
    StrCpy $0 0
retry_uninstaller:
    Delete "$INSTDIR\uninstall.exe"
    IfFileExists "$INSTDIR\uninstall.exe" 0 uninstaller_gone
    IntOp $0 $0 + 1
    IntCmp $0 100 uninstaller_gone
    Sleep 100
    Goto retry_uninstaller
uninstaller_gone:
    RMDir "$INSTDIR"
    IfFileExists "$INSTDIR\Registry Backups\*.*" kept
    IfFileExists "$INSTDIR\ignore.lst" kept done
kept:
    DetailPrint "Kept your registry backups and ignore list in $INSTDIR"
    MessageBox MB_OK|MB_ICONINFORMATION "Tidewarp has been removed.$\r$\n$\r$\nYour registry backups ($\"Registry Backups$\") and your ignore list ($\"ignore.lst$\") were kept in $INSTDIR. Installing Tidewarp into that folder again lets you restore those backups. Delete the folder when you no longer need them." /SD IDOK
done:
SectionEnd
