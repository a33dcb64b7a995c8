@echo off
z4setup /s boards.ini
echo z4setup /s exited with %ERRORLEVEL%
z4setup /x > usage.txt
echo z4setup /x exited with %ERRORLEVEL%
exit /b 0
