; Quorrel's installer: per user, without elevation, into %LOCALAPPDATA%\Programs\Quorrel.
; The program writes url.txt and its exported lists beside itself, which Program Files forbids.
;
; Built by scripts/package.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DSTAGE=dir -DOUTFILE=setup.exe
;            -DICON=res/quorrel.ico installer/quorrel.nsi
; STAGE holds exactly the files listed in QUORREL_FILES below.
;
; Silent use: setup.exe /S [/D=folder] and uninstall.exe /S.
; Uninstalling removes what the installer wrote and leaves the user's url.txt and exported
; lists (*资源列表.txt): the folder goes only when nothing else is left in it.

; A 64-bit installer for a 64-bit program: it runs wherever Quorrel runs, and it needs no 32-bit
; subsystem (Wine without its 32-bit half runs it too).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "define ${NAME} (see scripts/package.sh)"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE OUTFILE
!insertmacro REQUIRE ICON

!define PRODUCT "Quorrel"
!define PUBLISHER "Quorrel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorrel"
!define SHORTCUT "$SMPROGRAMS\Quorrel.lnk"

; Every file the installer puts into the program folder, and so every file the uninstaller
; removes. The uninstaller itself is written by WriteUninstaller.
!macro QUORREL_FILES DO
  !insertmacro ${DO} "quorrel.exe"
  !insertmacro ${DO} "quorrel-cli.exe"
  !insertmacro ${DO} "使用说明.txt"
  !insertmacro ${DO} "LICENSE.txt"
!macroend
!macro INSTALL_FILE NAME
  File "${STAGE}/${NAME}"
!macroend
!macro REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} 安装"
UninstallCaption "${PRODUCT} ${VERSION} 卸载"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorrel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "本向导将把 ${PRODUCT} ${VERSION} 安装到你的用户目录，不需要管理员权限。$\r$\n$\r$\nQuorrel 在公共网盘上查找别人分享的文件。$\r$\n$\r$\n点击“下一步”继续。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 Quorrel"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\使用说明.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看使用说明"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; The installer's own file properties.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} ${VERSION} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}. MIT License."

Section "Quorrel"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !insertmacro QUORREL_FILES INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\quorrel.exe" "" "$INSTDIR\quorrel.exe" 0 SW_SHOWNORMAL "" "${PRODUCT} 网盘资源搜索"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorrel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ; The size "Programs and Features" shows, in KiB: what is in the folder now.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro QUORREL_FILES REMOVE_FILE
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: url.txt, the exported lists and anything else the user put there stay.
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
