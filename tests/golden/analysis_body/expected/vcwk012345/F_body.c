int	total	;
