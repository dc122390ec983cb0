@echo off
rem The Windows tests on the desktop this is started on, with nothing but
rem Windows: every *_test.exe beside this script, with pwhelper.exe and the
rem other helpers beside them, from the unpacked test package or the mingw
rem build's tests folder. A test counts as passed when it exits with 0, as
rem under ctest; the last line counts them: "N passed, N failed".
rem
rem   run-tests.cmd [NAME...]   only these, e.g. conformance_test *_wine_test
rem
rem The tests hide, show and activate windows and press keys: leave the
rem desktop alone while they run. Windows' cmd.exe and Wine's both run it,
rem so it keeps to plain constructs: calls, goto and set /a.
setlocal EnableExtensions
cd /d "%~dp0"
if not exist pwhelper.exe (
    echo pwhelper.exe is not beside %~nx0: run it from the test package or the build's tests folder.
    exit /b 2
)
set /a passed=0
set /a failed=0
set failures=
if "%~1"=="" call :matching *_test
:next
if "%~1"=="" goto counted
call :matching %~1
shift
goto next
:counted
set /a ran=passed+failed
if %ran% equ 0 (
    echo No test executable beside %~nx0.
    set /a failed+=1
)
if defined failures echo Failed:%failures%
echo %passed% passed, %failed% failed
if %failed% neq 0 exit /b 1
exit /b 0

rem A name or pattern that matches no executable is a failure, not nothing.
:matching
set found=
for %%t in (%1.exe) do call :run %%~nt
if defined found exit /b 0
echo == %1: no such test executable
set /a failed+=1
set failures=%failures% %1
exit /b 0

:run
rem Only tests: a pattern may match a helper too (tray_* the showcase).
set name=%1
if /i not "%name:~-5%"=="_test" exit /b 0
if not exist "%1.exe" exit /b 0
set found=1
echo == %1
"%1.exe"
rem Not "if errorlevel 1": a crash exits with a negative code.
if %errorlevel% equ 0 (
    set /a passed+=1
) else (
    set /a failed+=1
    set failures=%failures% %1
)
exit /b 0
