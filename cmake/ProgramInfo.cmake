# The program's name and version: written here once, generated into
# config/ProgramInfo.h for the code, and read by the packages and the manual page.
set(HOTARU_PROGRAM_NAME hotaru-movie-cutter)
set(HOTARU_VERSION 2.20)
