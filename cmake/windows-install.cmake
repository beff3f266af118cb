# The program's folder on Windows, as the zip holds it: the program with its optional hand
# pointer beside it, and its papers. The Qt and MinGW DLLs are added by scripts/build-windows.sh.
install(TARGETS span-meter RUNTIME DESTINATION .)
install(FILES resources/HAND-M.CUR resources/span-meter.ico README.md COPYING docs/sample-skin.qss
    DESTINATION .)
