[FILENAME]
motor.h
