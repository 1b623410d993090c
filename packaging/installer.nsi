; The kelvconv installer for Windows (NSIS 3, MUI2). Made by the `installer` target of the Windows
; build (packaging/CMakeLists.txt), which installs the programs, stripped, with the texts beside
; them into STAGE and passes:
;   VERSION 1.0.0, NUMBERS 1.0.0.0, COPYRIGHT (the line), STAGE, ICON (the programs' icon),
;   OUTFILE (the installer to write).
;
; It installs for the user who runs it, with no administrator: into the user's programs folder
; (%LOCALAPPDATA%\Programs\kelvconv), with a "Send to" entry for kelvconv.exe, a Start menu entry
; for the README, the folder optionally added to the user's PATH (so that `kelvconv` runs in cmd
; and PowerShell), the VS Code extension beside the programs and, where VS Code's command is on
; the PATH, added to VS Code with it, and an uninstaller in the user's installed programs that
; removes all of it. English or Japanese pages, as the system's UI language says. Silent with
; /S; /NOPATH leaves the PATH alone, /NOVSCODE VS Code.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kelvconv"
!define README_LINK "$SMPROGRAMS\kelvconv README.lnk"
!define SENDTO_LINK "$SENDTO\kelvconv.lnk"
!define VSIX "kelvconv-${VERSION}.vsix"
!define EXTENSION "kelvconv.kelvconv"  ; the extension's publisher.name

Name "kelvconv ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\kelvconv"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "kelvconv ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\$(README)"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowReadme)"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT

; Each page with texts of our own where the stock ones say what does not apply here (closing all
; applications, system files, a reboot) or, in Japanese, read poorly.
!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_HEADER_SUBTEXT "$(DirectorySubtitle)"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$(DirectoryText)"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "$(DirectoryLabel)"
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(ComponentsText)"
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "$(ComponentsLabel)"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!insertmacro MUI_PAGE_FINISH
!define MUI_PAGE_HEADER_SUBTEXT "$(UninstallSubtitle)"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(UninstallText)"
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "$(UninstallLabel)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for systems in neither: NSIS picks the language of the user's UI
; when the installer starts.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

; The installer's own version information (its file properties).
VIProductVersion ${NUMBERS}
VIFileVersion ${NUMBERS}
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "kelvconv"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "kelvconv ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "the kelvconv developers"

; Every text the installer shows, in both languages. The components' names fit the list of the
; components page; what each does is told in the description pane beside it.
LangString ProgramSection ${LANG_ENGLISH} "kelvconv"
LangString ProgramSection ${LANG_JAPANESE} "kelvconv"
LangString ProgramDescription ${LANG_ENGLISH} "kelvconv.exe, which converts the files you drop on it or send to it with Send to; kelvconv.com for the command prompt; the README in the Start menu; the uninstaller."
LangString ProgramDescription ${LANG_JAPANESE} "ドロップしたファイルや「送る」で渡したファイルを変換する kelvconv.exe、コマンドプロンプト用の kelvconv.com、スタートメニューの README、アンインストーラー。"
LangString PathSection ${LANG_ENGLISH} "Add to PATH"
LangString PathSection ${LANG_JAPANESE} "PATH に追加"
LangString PathDescription ${LANG_ENGLISH} "Adds the folder to your PATH, so that kelvconv runs in a command prompt or PowerShell. Uninstalling takes it out again."
LangString PathDescription ${LANG_JAPANESE} "インストール先のフォルダーを PATH に追加し、コマンドプロンプトや PowerShell で kelvconv を実行できるようにします。アンインストールすると元に戻します。"
LangString CodeSection ${LANG_ENGLISH} "Add to VS Code"
LangString CodeSection ${LANG_JAPANESE} "VS Code に追加"
LangString CodeMissing ${LANG_ENGLISH} "VS Code (not found)"
LangString CodeMissing ${LANG_JAPANESE} "VS Code（なし）"
LangString CodeDescription ${LANG_ENGLISH} "Adds the kelvconv extension to VS Code: findings, hover, completion and colours as you type. Needs VS Code's command, code, on the PATH."
LangString CodeDescription ${LANG_JAPANESE} "VS Code に kelvconv 拡張機能を追加します。入力中の指摘、ホバー、補完、色分けが使えます。VS Code のコマンド code が PATH にあるときだけ選べます。"
LangString WelcomeText ${LANG_ENGLISH} "This installs kelvconv ${VERSION} for you alone, with no administrator rights: the programs, a Send to entry and the README in the Start menu, and if you choose, the folder in your PATH and the extension in VS Code.$\r$\n$\r$\nIf kelvconv is running, close it first.$\r$\n$\r$\nClick Next to continue."
LangString WelcomeText ${LANG_JAPANESE} "kelvconv ${VERSION} を、管理者の権限なしで、このユーザーだけにインストールします。プログラム、「送る」メニューの項目、スタートメニューの README を入れ、選べばフォルダーを PATH に、拡張機能を VS Code に追加します。$\r$\n$\r$\nkelvconv を実行中なら、先に終了してください。$\r$\n$\r$\n続けるには「次へ」をクリックしてください。"
LangString DirectorySubtitle ${LANG_ENGLISH} "Choose the folder to install kelvconv in."
LangString DirectorySubtitle ${LANG_JAPANESE} "kelvconv をインストールするフォルダーを選んでください。"
LangString DirectoryText ${LANG_ENGLISH} "kelvconv will be installed in this folder. To choose another, click Browse. Click Next to continue."
LangString DirectoryText ${LANG_JAPANESE} "kelvconv を次のフォルダーにインストールします。別のフォルダーにするには「参照」をクリックしてください。続けるには「次へ」をクリックしてください。"
LangString DirectoryLabel ${LANG_ENGLISH} "Folder"
LangString DirectoryLabel ${LANG_JAPANESE} "インストール先のフォルダー"
LangString ComponentsText ${LANG_ENGLISH} "kelvconv itself is always installed; choose what else you want. Click Install to start."
LangString ComponentsText ${LANG_JAPANESE} "kelvconv 本体は必ずインストールします。ほかに必要なものを選んでください。「インストール」をクリックすると始めます。"
LangString ComponentsLabel ${LANG_ENGLISH} "What to install:"
LangString ComponentsLabel ${LANG_JAPANESE} "インストールするもの："
LangString FinishText ${LANG_ENGLISH} "kelvconv is installed. To convert sources, drop files or folders on kelvconv.exe, or right-click them and choose Send to, then kelvconv.$\r$\n$\r$\nClick Finish to close this window."
LangString FinishText ${LANG_JAPANESE} "kelvconv をインストールしました。ソースを変換するには、ファイルやフォルダーを kelvconv.exe にドロップするか、右クリックして「送る」から kelvconv を選びます。$\r$\n$\r$\n「完了」をクリックすると閉じます。"
LangString UninstallSubtitle ${LANG_ENGLISH} "Remove kelvconv from this computer."
LangString UninstallSubtitle ${LANG_JAPANESE} "kelvconv をこのコンピューターから削除します。"
LangString UninstallText ${LANG_ENGLISH} "kelvconv will be removed from this folder, with its Send to and Start menu entries, its PATH entry and its VS Code extension. Click Uninstall to remove it."
LangString UninstallText ${LANG_JAPANESE} "kelvconv を次のフォルダーから削除します。「送る」メニューとスタートメニューの項目と VS Code の拡張機能も削除し、PATH を元に戻します。削除するには「アンインストール」をクリックしてください。"
LangString UninstallLabel ${LANG_ENGLISH} "Folder:"
LangString UninstallLabel ${LANG_JAPANESE} "フォルダー："
; Stock Japanese texts our pages and their details still show, in the words of our own texts
; (the uninstall button was in half-width katakana).
LangString ^UninstallBtn ${LANG_JAPANESE} "アンインストール(&U)"
LangString ^DirBrowseText ${LANG_JAPANESE} "kelvconv をインストールするフォルダーを選んでください："
LangString ^ClickNext ${LANG_JAPANESE} "続けるには「次へ」をクリックしてください。"
LangString ^OutputFolder ${LANG_JAPANESE} "出力先のフォルダー："
LangString ^Extract ${LANG_JAPANESE} "展開："
LangString ^CreateShortcut ${LANG_JAPANESE} "ショートカットの作成："
LangString ^CreatedUninstaller ${LANG_JAPANESE} "アンインストーラーの作成："
LangString ^Delete ${LANG_JAPANESE} "ファイルの削除："
LangString ^RemoveFolder ${LANG_JAPANESE} "フォルダーの削除："
LangString ^ErrorDecompressing ${LANG_JAPANESE} "データを展開できません。$\r$\n$\r$\nインストーラーが壊れていないか確かめてください。"
LangString ^FileError ${LANG_JAPANESE} "次のファイルに書き込めません：$\r$\n$\r$\n$0$\r$\n$\r$\nkelvconv を実行中なら終了してから「再試行」をクリックしてください。「中止」でインストールを中止し、「無視」でこのファイルを飛ばして続けます。"
LangString ShowReadme ${LANG_ENGLISH} "Show the README"
LangString ShowReadme ${LANG_JAPANESE} "README を表示する"
LangString PathTooLong ${LANG_ENGLISH} "Your PATH is too long for this installer to change it safely, so it was left as it is. To run kelvconv from a command prompt, add this folder to it yourself:$\r$\n$INSTDIR"
LangString PathTooLong ${LANG_JAPANESE} "PATH が長すぎて安全に変更できないため、そのままにしました。コマンドプロンプトから kelvconv を実行するには、次のフォルダーを手動で PATH に追加してください：$\r$\n$INSTDIR"
LangString PathLeft ${LANG_ENGLISH} "Your PATH is too long for this uninstaller to change it safely, so it was left as it is. Remove this folder from it yourself:$\r$\n$INSTDIR"
LangString PathLeft ${LANG_JAPANESE} "PATH が長すぎて安全に変更できないため、そのままにしました。次のフォルダーを手動で PATH から削除してください：$\r$\n$INSTDIR"
LangString CodeFailed ${LANG_ENGLISH} "VS Code did not take the kelvconv extension. To add it yourself, run:$\r$\ncode --install-extension $\"$INSTDIR\${VSIX}$\""
LangString CodeFailed ${LANG_JAPANESE} "VS Code に kelvconv 拡張機能を追加できませんでした。手動で追加するには、次を実行してください：$\r$\ncode --install-extension $\"$INSTDIR\${VSIX}$\""
LangString README ${LANG_ENGLISH} "README.txt"
LangString README ${LANG_JAPANESE} "README.ja.txt"

; The user's PATH, HKCU\Environment\Path, read whole into $0, or why it cannot be: $1 is "ok",
; "none" (no such value) or "long". NSIS strings hold NSIS_MAX_STRLEN characters with the final
; NUL; a longer value fails to read (or would come cut), and must then be left as it is, never
; written back shortened. A PATH that could not take our folder as well counts as long too.
!macro READ_USER_PATH un
  Function ${un}ReadUserPath
    ClearErrors
    ReadRegStr $0 HKCU "Environment" "Path"
    ${If} ${Errors}
      ; Either there is no such value, or it could not be read whole.
      StrCpy $1 "none"
      StrCpy $2 0
      ${Do}
        ClearErrors
        EnumRegValue $3 HKCU "Environment" $2
        ${If} ${Errors}
        ${OrIf} $3 == ""
          ${Break}
        ${EndIf}
        ${If} $3 == "Path"
          StrCpy $1 "long"
          ${Break}
        ${EndIf}
        IntOp $2 $2 + 1
      ${Loop}
      StrCpy $0 ""
      Return
    ${EndIf}
    StrLen $2 $0
    StrLen $3 $INSTDIR
    IntOp $2 $2 + $3
    IntOp $2 $2 + 2
    ${If} $2 >= ${NSIS_MAX_STRLEN}
      StrCpy $1 "long"
    ${Else}
      StrCpy $1 "ok"
    ${EndIf}
  FunctionEnd

  ; $0 without the entries that name our folder (compared as Windows compares names, with or
  ; without a final backslash); every other entry stays as it was, empty ones too. $1 is set to
  ; the number of entries taken out.
  Function ${un}WithoutOurEntry
    StrCpy $1 0
    StrCpy $2 0         ; where the next entry begins
    StrLen $3 $0
    StrCpy $4 ""        ; what is kept
    StrCpy $5 0         ; whether anything is kept yet
    ${Do}
      ; The entry from $2 up to the next ';' or the end.
      StrCpy $6 $2
      ${Do}
        ${If} $6 >= $3
          ${Break}
        ${EndIf}
        StrCpy $7 $0 1 $6
        ${If} $7 == ";"
          ${Break}
        ${EndIf}
        IntOp $6 $6 + 1
      ${Loop}
      IntOp $7 $6 - $2
      StrCpy $8 $0 $7 $2
      ${If} $8 == $INSTDIR
      ${OrIf} $8 == "$INSTDIR\"
        IntOp $1 $1 + 1
      ${ElseIf} $5 == 0
        StrCpy $4 $8
        StrCpy $5 1
      ${Else}
        StrCpy $4 "$4;$8"
      ${EndIf}
      IntOp $2 $6 + 1
    ${LoopUntil} $6 >= $3
    StrCpy $0 $4
  FunctionEnd
!macroend
!insertmacro READ_USER_PATH ""
!insertmacro READ_USER_PATH "un."

; VS Code's command (code.cmd, which its installer puts on the PATH) into $0; empty where there is
; none.
!macro FIND_CODE un
  Function ${un}FindCode
    ClearErrors
    SearchPath $0 "code.cmd"
    ${If} ${Errors}
      StrCpy $0 ""
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro FIND_CODE ""
!insertmacro FIND_CODE "un."

Function AddToPath
  Call ReadUserPath
  ${If} $1 == "long"
    DetailPrint "$(PathTooLong)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(PathTooLong)" /SD IDOK
    Return
  ${EndIf}
  ${If} $1 == "ok"
    Push $0
    Call WithoutOurEntry
    Pop $0
    ${If} $1 > 0
      Return  ; there already
    ${EndIf}
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 $INSTDIR
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKCU "Environment" "Path" $0
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

Function un.RemoveFromPath
  Call un.ReadUserPath
  ${If} $1 == "none"
    Return
  ${EndIf}
  ${If} $1 == "long"
    ; Ours may still fit beside a shorter PATH: "long" also counts the room to add it.
    ClearErrors
    ReadRegStr $0 HKCU "Environment" "Path"
    ${If} ${Errors}
      DetailPrint "$(PathLeft)"
      MessageBox MB_OK|MB_ICONINFORMATION "$(PathLeft)" /SD IDOK
      Return
    ${EndIf}
    StrLen $2 $0
    IntOp $2 $2 + 1
    ${If} $2 >= ${NSIS_MAX_STRLEN}
      DetailPrint "$(PathLeft)"
      MessageBox MB_OK|MB_ICONINFORMATION "$(PathLeft)" /SD IDOK
      Return
    ${EndIf}
  ${EndIf}
  Call un.WithoutOurEntry
  ${If} $1 == 0
    Return
  ${EndIf}
  ${If} $0 == ""
    DeleteRegValue HKCU "Environment" "Path"
  ${Else}
    WriteRegExpandStr HKCU "Environment" "Path" $0
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

Section "$(ProgramSection)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\kelvconv.exe"
  File "${STAGE}\kelvconv.com"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\README.ja.txt"
  File "${STAGE}\${VSIX}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SENDTO_LINK}" "$INSTDIR\kelvconv.exe"
  CreateShortcut "${README_LINK}" "$INSTDIR\$(README)"

  ; The entry in the user's installed programs.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "kelvconv ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "the kelvconv developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvconv.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(PathSection)" SecPath
  Call AddToPath
SectionEnd

; VS Code's command adds the extension beside the programs to the user's VS Code; the uninstaller
; takes it out again.
Section "$(CodeSection)" SecCode
  Call FindCode
  ${If} $0 == ""
    Return
  ${EndIf}
  nsExec::ExecToLog '"$SYSDIR\cmd.exe" /c ""$0" --install-extension "$INSTDIR\${VSIX}""'
  Pop $1
  ${If} $1 == 0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VSCodeExtension" 1
  ${Else}
    DetailPrint "$(CodeFailed)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(CodeFailed)" /SD IDOK
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(ProgramDescription)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "$(PathDescription)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCode} "$(CodeDescription)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOPATH" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecPath}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/NOVSCODE" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCode}
  ${EndIf}
  ; Without VS Code's command there is nothing to add the extension to.
  Call FindCode
  ${If} $0 == ""
    !insertmacro UnselectSection ${SecCode}
    !insertmacro SetSectionFlag ${SecCode} ${SF_RO}
    SectionSetText ${SecCode} "$(CodeMissing)"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ReadRegDWORD $1 HKCU "${UNINSTALL_KEY}" "VSCodeExtension"
  ${If} $1 == 1
    Call un.FindCode
    ${If} $0 != ""
      nsExec::ExecToLog '"$SYSDIR\cmd.exe" /c ""$0" --uninstall-extension ${EXTENSION}"'
      Pop $1
    ${EndIf}
  ${EndIf}
  Delete "$INSTDIR\kelvconv.exe"
  Delete "$INSTDIR\kelvconv.com"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\README.ja.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\${VSIX}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SENDTO_LINK}"
  Delete "${README_LINK}"
  Call un.RemoveFromPath
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
