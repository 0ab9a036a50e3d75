void	sensor_init	(	void	)	;
void	sensor_read	(	UCHAR	ch	)	;
USHORT	sensor_filter	(	USHORT	old	,	USHORT	now	)	;
