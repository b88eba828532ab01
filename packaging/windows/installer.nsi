; The Windows installer of Lecture Downloader (课程视频下载器), built by
; packaging/windows/make_package.cmake with Debian's makensis:
;   makensis -INPUTCHARSET UTF8 -DLD_VERSION=<x.y.z> -DLD_STAGE=<folder>
;            -DLD_FILES_NSH=<files.nsh> -DLD_ICON=<.ico> -DLD_OUTFILE=<setup.exe> installer.nsi
; LD_STAGE holds the files exactly as they are installed; LD_FILES_NSH defines
; the macro LD_INSTALLED_FILES, which names each of them (one
; `!insertmacro LD_FILE ${op} <subfolder> <name>` a line), so
; the uninstaller removes what was installed and nothing else: files the user
; saved into the program's folder (downloads, say) stay, and so does the
; folder while it holds them.
;
; A 64-bit installer (the program is 64-bit only): it writes the 64-bit
; registry view and installs to $PROGRAMFILES64\Lecture Downloader for every
; user. `/S` installs or uninstalls silently, `/D=<folder>` (last, unquoted)
; chooses the folder.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
; A file that cannot be written ends the install as failed (exit code 2),
; silent or not, instead of leaving a program without it.
AllowSkipFiles off
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define LD_NAME "课程视频下载器"
!define LD_PUBLISHER "Lecture Downloader"
!define LD_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LectureDownloader"
!define LD_SHORTCUT "$SMPROGRAMS\${LD_NAME}.lnk"

Name "${LD_NAME} ${LD_VERSION}"
OutFile "${LD_OUTFILE}"
InstallDir "$PROGRAMFILES64\Lecture Downloader"
InstallDirRegKey HKLM "${LD_KEY}" "InstallLocation"
BrandingText "${LD_NAME} ${LD_VERSION}"

VIProductVersion "${LD_VERSION}.0"
VIFileVersion "${LD_VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${LD_NAME} (Lecture Downloader)"
VIAddVersionKey /LANG=2052 "ProductVersion" "${LD_VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${LD_VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "${LD_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "${LD_PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "MIT License"

!define MUI_ICON "${LD_ICON}"
!define MUI_UNICON "${LD_ICON}"
!define MUI_ABORTWARNING
; No "run the program" box on the last page: the program would inherit the
; installer's administrator rights, find its folder under Program Files
; writable and save downloads there. It starts from the Start menu instead.

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LD_STAGE}\LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; One installed file: `install` copies it from the staging folder, `remove`
; deletes the installed copy. <subfolder> is "" or "\name".
!macro LD_FILE op subfolder name
  !if "${op}" == "install"
    SetOutPath "$INSTDIR${subfolder}"
    File "${LD_STAGE}${subfolder}\${name}"
  !else
    Delete "$INSTDIR${subfolder}\${name}"
  !endif
!macroend
!include "${LD_FILES_NSH}"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  ; Only a folder this installer filled is emptied: one that holds the
  ; uninstaller (a wrong _?= folder, say, is refused before anything goes).
  IfFileExists "$INSTDIR\uninstall.exe" +4
    MessageBox MB_ICONSTOP|MB_OK "$INSTDIR 中没有安装${LD_NAME}。" /SD IDOK
    SetErrorLevel 2
    Quit
FunctionEnd

Section "!${LD_NAME}" SectionProgram
  SectionIn RO
  !insertmacro LD_INSTALLED_FILES install
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${LD_SHORTCUT}" "$INSTDIR\lecture-downloader.exe" "" \
    "$INSTDIR\lecture-downloader.exe" 0

  ; The entry in the system's list of installed programs.
  WriteRegStr HKLM "${LD_KEY}" "DisplayName" "${LD_NAME}"
  WriteRegStr HKLM "${LD_KEY}" "DisplayVersion" "${LD_VERSION}"
  WriteRegStr HKLM "${LD_KEY}" "Publisher" "${LD_PUBLISHER}"
  WriteRegStr HKLM "${LD_KEY}" "DisplayIcon" "$\"$INSTDIR\lecture-downloader.exe$\",0"
  WriteRegStr HKLM "${LD_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${LD_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${LD_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${LD_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${LD_KEY}" "NoRepair" 1
  ; The installed files' size in KiB, as the compiler counted them.
  SectionGetSize ${SectionProgram} $0
  WriteRegDWORD HKLM "${LD_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ClearErrors
  !insertmacro LD_INSTALLED_FILES remove
  ; A file that is there and cannot be deleted (the program still runs, say)
  ; sets the error flag. Then the uninstaller, the shortcut and the entry stay,
  ; so the uninstall can be run again, and it ends as failed (exit code 2).
  IfErrors 0 removed
    MessageBox MB_ICONEXCLAMATION|MB_OK "有些文件无法删除，可能是${LD_NAME}还在运行。请关闭它后再卸载一次。" /SD IDOK
    SetErrorLevel 2
    Abort
  removed:
  Delete "$INSTDIR\uninstall.exe"
  Delete "${LD_SHORTCUT}"
  ; Without /r: a folder that still holds the user's files stays.
  RMDir "$INSTDIR\licences"
  RMDir "$INSTDIR"
  ; Last, so a script that waits for the entry to go waits for all of it.
  DeleteRegKey HKLM "${LD_KEY}"
SectionEnd
