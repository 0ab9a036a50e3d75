[ファイル名]
sensor.h

[フォルダ名]
SENSOR

[ファイルパス]
engine_ctl/sensor/sensor.h

[ファイル説明]
sensor.h : センサ処理

[ファイル備考]
NONE

[変数一覧]
外部変数	g_sensor[SENSOR_COUNT]	SENSOR_DATA		

