# Sourced by the test scripts that drive the program through wintool: the captions of its two
# windows (test_constants.h holds them for the C++ tests).
start="スタートページ"
main="Excelゼルモ_2013 Ver0"
