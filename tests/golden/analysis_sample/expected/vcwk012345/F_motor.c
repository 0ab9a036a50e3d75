static	MOTOR_MODE	s_mode	;
ULONG	g_rpm	;
USHORT	g_duty	;
void	motor_set_duty	(	USHORT	duty	)	;
static	USHORT	motor_calc_duty	(	ULONG	rpm	)	;
