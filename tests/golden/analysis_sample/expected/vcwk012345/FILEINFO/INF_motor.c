[FILENAME]
motor.c
[FUNCNAME]
motor_update
[LINE COUNT]
22
[LINE COUNT V]
18
[COMMNET]
1
[FUNCNAME]
motor_calc_duty
[LINE COUNT]
4
[LINE COUNT V]
3
[COMMNET]
0
[FUNCNAME]
motor_set_duty
[LINE COUNT]
2
[LINE COUNT V]
2
[COMMNET]
0
