@echo off
rem Lints every *.bgt under a folder with linter.exe and sums up, for editors, CI and
rem hooks: status 0 when nothing was found, 1 on any finding, 2 on bad usage.
rem Usage: lint-all [FOLDER]   (docs/lint-all.md; tools/lint-all is its POSIX twin: the
rem same lines in the same order, which here use \ in paths and end in CR LF.)
rem
rem Written for Wine's cmd as well as Windows': no substrings in delayed expansion
rem (Wine expands only plain variables there), and no text that needs a code page is
rem read back through FOR /F but the linter's own lines, whose file part is rebuilt
rem from the name we passed (Wine reads FOR /F input as Latin-1). Remarks here keep
rem clear of the characters cmd would parse.
setlocal EnableExtensions DisableDelayedExpansion

if not [%2]==[] goto usage
if "%~1"=="/?" goto help
if "%~1"=="-h" goto help
if "%~1"=="--help" goto help

set "prefix="
if [%1]==[] goto have_folder
set "root=%~1"
if not defined root goto no_folder
set "root=%root:/=\%"
:trim
if not "%root:~-1%"=="\" goto trimmed
if "%root%"=="\" goto trimmed
if "%root:~-2%"==":\" goto trimmed
set "root=%root:~0,-1%"
goto trim
:trimmed
set "prefix=%root%\"
if "%root:~-1%"=="\" set "prefix=%root%"
if not exist "%prefix%*" goto no_folder
:have_folder

set "linter=%~dp0linter.exe"
if exist "%linter%" goto have_linter
set "linter="
for %%x in (linter.exe) do set "linter=%%~$PATH:x"
if defined linter goto have_linter
set "out=lint-all: no linter found next to %~f0 or on PATH"
>&2 call :print
exit /b 2
:have_linter

set /a tries=0
:mktemp
set /a tries+=1
set "work=%TEMP%\lint-all-%RANDOM%%RANDOM%"
if exist "%work%" goto mktemp
(call )
mkdir "%work%" 2>nul
if not errorlevel 1 goto have_work
if %tries% lss 20 goto mktemp
set "out=lint-all: cannot make a folder in %TEMP%"
>&2 call :print
exit /b 2
:have_work

rem Non-ASCII names and messages need UTF-8 output; the user's code page comes back at
rem the end. Localized chcp output ends in the number, maybe followed by a dot.
set "oldcp="
for /f "tokens=*" %%a in ('chcp') do for %%b in (%%a) do set "oldcp=%%~nb"
chcp 65001 >nul 2>&1

rem The linter's report lines are file, line number, "warning" and the message, split
rem by colons; the number is the field after the colons of the file, which only FOLDER
rem can have (a drive, say).
set /a ntok=2
set "s=%prefix%"
:count_colons
if not defined s goto counted
if "%s:~0,1%"==":" set /a ntok+=1
set "s=%s:~1%"
goto count_colons
:counted

rem Sort keys, as tools/lint-all builds them: per path part, 1 for an entry to lint or 2
rem for a folder to enter, three digits per ASCII character (its code plus 100, letters
rem as upper case), 299 and the character itself for any other, then 0. The table
rem holds a question mark, the character and its digits for each character allowed in
rem a file name but the three that cannot be looked up in it (percent, equals, caret),
rem which :key handles itself.
set "T=? 132?!133?#135?$136?&138?'139?(140?)141?+143?,144?-145?.146?0148?1149?2150?3151?4152?5153?6154?7155?8156?9157?;159?@164?A165?B166?C167?D168?E169?F170?G171?H172?I173?J174?K175?L176?M177?N178?O179?P180?Q181?R182?S183?T184?U185?V186?W187?X188?Y189?Z190?[191?]193?_195?`196?{223?}225?~226"

rem Walk the folders breadth first: _la.dN and _la.kN hold folder N (relative, ending
rem in a backslash) and its key; entry N to lint gets _la.pN, its relative path, and
rem _la.s followed by its key, set to N, so that SET lists the entries in key order.
set /a qn=1, qi=0, en=0
:scan
if %qi% geq %qn% goto scanned
set /a qi+=1
call set "rel=%%_la.d%qi%%%"
call set "dk=%%_la.k%qi%%%"
rem From inside the folder: Wine's FOR matches no quoted pattern, and a bare one
rem cannot hold blanks. Wine runs both branches of a conditional after a command with
rem a redirection, hence the ERRORLEVEL tests, cleared first by "(call )".
(call )
pushd "%prefix%%rel%." 2>nul
if errorlevel 1 goto scan
for %%f in (*) do (
  set "name=%%~nxf"
  set "attr=%%~af"
  call :file
)
for /d %%f in (*) do (
  set "name=%%~nxf"
  set "attr=%%~af"
  call :folder
)
rem Wine's POPD leaves the drive's current folder variable behind, and its ENDLOCAL
rem (in :print) goes back there.
popd
cd .
goto scan
:scanned

rem _la.s=0 keeps SET from complaining when there is nothing to lint: Wine's FOR /F
rem cannot run a command whose errors go to nul.
set "_la.s=0"
set /a checked=0, warnings=0, unreadable=0
for /f "tokens=2 delims==" %%i in ('set _la.s') do (
  set "ix=%%i"
  call :lint
)

set "w1=files"
set "w2=warnings"
set "w3=files"
if %checked%==1 set "w1=file"
if %warnings%==1 set "w2=warning"
if %unreadable%==1 set "w3=file"
echo:%checked% %w1% checked, %warnings% %w2%, %unreadable% %w3% could not be read

set "status=0"
if not %warnings%==0 set "status=1"
if not %unreadable%==0 set "status=1"
rmdir /s /q "%work%" >nul 2>&1
if defined oldcp chcp %oldcp% >nul 2>&1
exit /b %status%

:usage
>&2 echo usage: lint-all [FOLDER]
exit /b 2

:help
echo usage: lint-all [FOLDER]
exit /b 0

:no_folder
set "out=lint-all: no such folder: %~1"
>&2 call :print
exit /b 2

rem Names starting with a dot are skipped as tools/lint-all skips them, hidden ones as
rem Windows hides them.
:file
if "%name:~0,1%"=="." goto :eof
if /i not "%name:~-4%"==".bgt" goto :eof
if defined attr if not "%attr:h=%"=="%attr%" goto :eof
call :key
set /a en+=1
set "_la.p%en%=%rel%%name%"
set "_la.s%dk%1%k%0=%en%"
goto :eof

rem A folder named *.bgt is linted too: the linter says why it cannot read it.
:folder
if "%name:~0,1%"=="." goto :eof
if defined attr if not "%attr:h=%"=="%attr%" goto :eof
call :key
set /a qn+=1
set "_la.d%qn%=%rel%%name%\"
set "_la.k%qn%=%dk%2%k%0"
if /i not "%name:~-4%"==".bgt" goto :eof
set /a en+=1
set "_la.p%en%=%rel%%name%"
set "_la.s%dk%1%k%0=%en%"
goto :eof

:key
set "k="
set "s=%name%"
:key_next
if not defined s goto :eof
set "c=%s:~0,1%"
set "s=%s:~1%"
if "%c%"=="%%" (set "k=%k%137" & goto key_next)
if "%c%"=="=" (set "k=%k%161" & goto key_next)
if "%c%"=="^" (set "k=%k%194" & goto key_next)
call set "x=%%T:*?%c%=%%"
if "%x:~0,1%"=="?" (set "k=%k%299%c%") else set "k=%k%%x:~0,3%"
goto key_next

:lint
if "%ix%"=="0" goto :eof
call set "rel=%%_la.p%ix%%%"
set "file=%prefix%%rel%"
set /a tries=0
:lint_run
"%linter%" "%file%" <nul >"%work%\out" 2>"%work%\err"
set "rc=%errorlevel%"
rem 9009: cmd could not start it, as Wine now and then fails to under load.
set /a tries+=1
if "%rc%"=="9009" if %tries% lss 3 goto lint_run
set "reported="
for /f "usebackq eol=| delims=" %%L in ("%work%\err") do (
  set "line=%%L"
  call :err_line
)
for /f "usebackq eol=| delims=" %%L in ("%work%\out") do (
  set "line=%%L"
  call :out_line
)
if "%rc%"=="0" (
  set /a checked+=1
  goto :eof
)
set /a unreadable+=1
if defined reported goto :eof
set "out=%file%: error: the linter stopped with status %rc%"
call :print
goto :eof

rem Lexical warnings become matchable lines; other lines on standard error are errors.
:err_line
if not defined line goto :eof
if "%line:~0,14%"=="Warning [line " goto lexical
set "reason=%line%"
if "%line:~0,15%"=="Error reading '" set "reason=%line:*': =%"
if "%line:~0,7%"=="Error: " set "reason=%line:~7%"
set "out=%file%: error: %reason%"
call :print
set "reported=1"
if not "%reason%"=="stream did not contain valid UTF-8" goto :eof
set "out=%file%: note: the file is not saved as UTF-8; save it as UTF-8 (in Notepad: File > Save As > Encoding: UTF-8) or convert it with iconv -f WINDOWS-1252 -t UTF-8"
call :print
goto :eof
:lexical
set "text=%line:*]: =%"
set "n=%line:~14,12%"
for /f "delims=]" %%n in ("%n%") do set "n=%%n"
set "out=%file%:%n%: warning: %text%"
call :print
set /a warnings+=1
goto :eof

rem Warning lines pass; the blank line (which Wine's FOR /F does not skip), the count
rem and "No warnings." do not.
:out_line
if not defined line goto :eof
if "%line%"=="%line:: warning: =%" goto :eof
set "text=%line:*: warning: =%"
for /f "tokens=%ntok% delims=:" %%n in ("%line%") do set "n=%%n"
set "out=%file%:%n%: warning: %text%"
call :print
set /a warnings+=1
goto :eof

rem Delayed expansion prints any character as it is, without parsing it.
:print
setlocal EnableDelayedExpansion
echo:!out!
endlocal
goto :eof
