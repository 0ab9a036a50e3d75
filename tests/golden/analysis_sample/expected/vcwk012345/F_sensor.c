SENSOR_DATA	g_sensor	[	SENSOR_COUNT	]	;
static	USHORT	s_history	[	FILTER_DEPTH	]	;
static	UCHAR	s_index	;
