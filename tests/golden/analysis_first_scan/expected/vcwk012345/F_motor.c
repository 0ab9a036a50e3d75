static	int	motor_speed	;
static	UINT8	table	[	16	]	;
MOTOR_STATE	state	;
