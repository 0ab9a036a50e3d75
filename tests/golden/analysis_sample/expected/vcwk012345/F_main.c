void	motor_update	(	void	)	;
static	ULONG	s_tick	;
UCHAR	g_error	;
static	void	system_init	(	void	)	;
static	void	main_cycle	(	void	)	;
