[FILENAME]
sensor.c
[FUNCNAME]
sensor_init
[LINE COUNT]
7
[LINE COUNT V]
5
[COMMNET]
0
[FUNCNAME]
sensor_read
[LINE COUNT]
12
[LINE COUNT V]
10
[COMMNET]
1
[FUNCNAME]
sensor_filter
[LINE COUNT]
4
[LINE COUNT V]
3
[COMMNET]
0
