[FILENAME]
config.h
