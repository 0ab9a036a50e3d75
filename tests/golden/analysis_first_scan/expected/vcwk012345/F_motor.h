int	motor_start	(	int	speed	)	;
void	motor_stop	(	void	)	;
