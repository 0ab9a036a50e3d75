int	f	(	int	a	)	;
static	int	counter	;
static	char	buf	[	16	]	;
int	extern_count	;
const	volatile	unsigned	long	*	volatile_ptr	;
void	g	(	char	*	p	,	int	n	)	;
NAME	h	(	void	)	;
