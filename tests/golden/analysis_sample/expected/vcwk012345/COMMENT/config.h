[ファイル名]
config.h

[フォルダ名]
ENGINE_CTL

[ファイルパス]
engine_ctl/config.h

[ファイル説明]
config.h : 制御パラメータ定義

[ファイル備考]
NONE

[変数一覧]
define	VERSION		3	ソフトバージョン
define	SENSOR_COUNT		4	センサ数
define	SAMPLE_PERIOD		( 10 * 2 )	サンプリング周期[ms]
define	RPM_LIMIT		6000UL	回転数上限
define	TEMP_OFFSET		( BASE_TEMP + 40 )	
define	BASE_TEMP		25	
define	USE_FILTER			
define	FILTER_DEPTH		8	新フィルタ
define	FILTER_DEPTH		4	

