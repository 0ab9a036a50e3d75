[FILENAME]
empty.C
