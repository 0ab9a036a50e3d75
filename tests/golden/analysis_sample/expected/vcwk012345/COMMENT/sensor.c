[ファイル名]
sensor.c

[フォルダ名]
SENSOR

[ファイルパス]
engine_ctl/sensor/sensor.c

[ファイル説明]
センサ入力とフィルタ処理

[ファイル備考]
ADC の読み取りは adc_get() に任せる

[変数一覧]
公開変数	g_sensor[SENSOR_COUNT]	SENSOR_DATA		センサごとの読み取り値
内部変数	s_history[FILTER_DEPTH]	USHORT		読み取り履歴
内部変数	s_index	UCHAR		履歴の書込み位置

[関数]
sensor_init
公開

[関数説明]
センサ初期化

[処理説明]
NONE

[戻り値説明]
NONE

[引数説明]
NONE

[テンポラリ変数説明]
NONE

[備考]
NONE

[字下げ]
4,4,8,8,4,4,0

[関数]
sensor_read
公開

[関数説明]
センサ値読み込み（ADC）

[処理説明]
ADC の値を読み、フィルタを通して g_sensor に格納する。
読んだ値は履歴にも残す。

[戻り値説明]
NONE

[引数説明]
ch	読み込むセンサのチャンネル

[テンポラリ変数説明]
NONE

[備考]
NONE

[字下げ]
4,4,0,4,0,4,4,4,4,8,4,0

[関数]
sensor_filter
公開

[関数説明]
一次遅れフィルタ

[処理説明]
NONE

[戻り値説明]
	フィルタ後の値（old 3 : now 1 の加重平均）

[引数説明]
old	前回のフィルタ値
now	今回の読み取り値

[テンポラリ変数説明]
NONE

[備考]
NONE

[字下げ]
4,4,4,0

