[FILENAME]
types.h
