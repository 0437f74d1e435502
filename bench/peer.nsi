; The peer of Setup.exe: what a vendor would otherwise ship, a general
; installer's stub doing the same job. It stages the MSI for the machine and
; every cabinet of Package\ beside it into a fresh folder in the Windows Temp,
; runs the system folder's msiexec.exe on the copy, waits, and removes the
; folder. With LANGUAGE_DIALOG it first asks for English or Japanese, unless
; it runs silently (/S).
;
; makensis -DPACKAGE=<MSI name base> -DOUTFILE=<exe> [-DLANGUAGE_DIALOG] peer.nsi
Unicode true
; Of NSIS's compressors, the one that makes this stub smallest.
SetCompressor bzip2
RequestExecutionLevel admin
Name "${PACKAGE}"
OutFile "${OUTFILE}"
ShowInstDetails nevershow
AutoCloseWindow true
Page instfiles

!include x64.nsh

!ifdef LANGUAGE_DIALOG
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Japanese.nlf"

Function .onInit
    IfSilent done
    Push ""
    Push ${LANG_ENGLISH}
    Push English
    Push ${LANG_JAPANESE}
    Push "${U+65E5}${U+672C}${U+8A9E}" ; 日本語
    Push A
    LangDLL::LangDialog "${PACKAGE}" "Choose the language of the installation."
    Pop $LANGUAGE
    StrCmp $LANGUAGE cancel 0 done
    Abort
done:
FunctionEnd
!endif

Section
    StrCpy $R0 "${PACKAGE}x86.msi"
    ${If} ${RunningX64}
        StrCpy $R0 "${PACKAGE}x64.msi"
    ${EndIf}
    ; A name of its own in the Windows Temp: a fresh file, made a folder.
    GetTempFileName $R1 "$WINDIR\Temp"
    Delete $R1
    ClearErrors
    CreateDirectory $R1
    CopyFiles /SILENT /FILESONLY "$EXEDIR\Package\$R0" $R1
    CopyFiles /SILENT /FILESONLY "$EXEDIR\Package\*.cab" $R1
    StrCpy $R2 1603
    IfErrors removal
    StrCpy $R3 "/qn"
    IfSilent install
    StrCpy $R3 ""
    StrCmp $LANGUAGE 1041 0 install
    StrCpy $R3 "TRANSFORMS=:ja-JP.mst"
install:
    ExecWait '"$SYSDIR\msiexec.exe" /i "$R1\$R0" $R3' $R2
    IfErrors 0 removal
    StrCpy $R2 1603
removal:
    RMDir /r $R1
    SetErrorLevel $R2
SectionEnd
