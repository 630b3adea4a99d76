@echo off
rem kovendi-store: administration of a message store (a directory or a PostgreSQL service); see
rem "kovendi-store" without arguments. Runs the Java runtime beside the programs (jre\bin\java.exe)
rem when there is one, else the java.exe of JAVA_HOME, else the one found on PATH.
setlocal
set "here=%~dp0"
set "java=java"
if defined JAVA_HOME if exist "%JAVA_HOME%\bin\java.exe" set "java=%JAVA_HOME%\bin\java.exe"
if exist "%here%jre\bin\java.exe" set "java=%here%jre\bin\java.exe"
"%java%" -Xshare:auto -XX:TieredStopAtLevel=1 -cp "%here%lib\kovendi.jar;%here%lib\postgresql.jar" nl.kovendi.store.Admin %*
exit /b %ERRORLEVEL%
