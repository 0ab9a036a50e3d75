int	ticks	;
