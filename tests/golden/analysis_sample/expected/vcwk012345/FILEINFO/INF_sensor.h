[FILENAME]
sensor.h
