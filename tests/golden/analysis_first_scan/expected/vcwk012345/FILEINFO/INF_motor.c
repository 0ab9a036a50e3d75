[FILENAME]
motor.c
[FUNCNAME]
clamp_speed
[LINE COUNT]
6
[LINE COUNT V]
5
[COMMNET]
0
[FUNCNAME]
motor_start
[LINE COUNT]
8
[LINE COUNT V]
7
[COMMNET]
0
[FUNCNAME]
motor_stop
[LINE COUNT]
13
[LINE COUNT V]
10
[COMMNET]
2
[FUNCNAME]
motor_table
[LINE COUNT]
1
[LINE COUNT V]
1
[COMMNET]
0
