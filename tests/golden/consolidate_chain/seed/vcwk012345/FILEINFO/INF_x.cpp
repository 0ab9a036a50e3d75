[FILENAME]
x.cpp
