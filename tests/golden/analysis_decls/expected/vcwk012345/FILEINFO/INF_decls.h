[FILENAME]
decls.h
