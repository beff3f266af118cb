# The program's folder on Windows, as the zip holds it: the program with its optional hand
# pointer and its manual (its home page) beside it, and its papers, named .txt so that a double
# click opens them. The Qt and MinGW DLLs, their licences and the notice on them are added by
# scripts/build-windows.sh.
install(TARGETS span-meter RUNTIME DESTINATION .)
install(FILES resources/HAND-M.CUR docs/sample-skin.qss docs/manual.html
    packaging/windows/README.txt DESTINATION .)
# Our licence notice in Windows words, naming the source archive of this version.
configure_file(packaging/windows/COPYING.txt ${CMAKE_BINARY_DIR}/COPYING.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/COPYING.txt DESTINATION .)
