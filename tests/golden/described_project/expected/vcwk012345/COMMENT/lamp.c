[ファイル名]
lamp.c

[フォルダ名]
DESCRIBED

[ファイルパス]
described/lamp.c

[ファイル説明]
ランプ点灯制御

[ファイル備考]
【作成者】     開発チーム

[変数一覧]
define	LAMP_MAX		4	ランプ数
define	BLINK_MS		(250)	点滅周期[ms]
固定定数	LAMP_OFF	LAMP_STATE		消灯
固定定数	LAMP_ON	LAMP_STATE		点灯
固定定数	LAMP_BLINK	LAMP_STATE		点滅
内部変数	s_state[LAMP_MAX]	LAMP_STATE		ランプごとの状態
内部変数	s_tick	unsigned char		点滅用カウンタ
公開変数	g_lamp_errors	unsigned int		異常回数
固定定数	kLampPort	const unsigned char		出力ポート番号

[関数]
lamp_off
公開

[関数説明]
ランプを消灯する

[処理説明]
状態を消灯にし、出力を下げる。

[戻り値説明]
0	正常
-1	番号異常

[引数説明]
no	ランプ番号（0～3）

[テンポラリ変数説明]
NONE

[備考]
割込み禁止中に呼ばないこと

[字下げ]
4,8,8,4,4,4,0

[関数]
lamp_update
公開

[関数説明]
ランプ状態を周期更新する

[処理説明]
状態と点滅カウンタで出力を決める。

[戻り値説明]
NONE

[引数説明]
NONE

[テンポラリ変数説明]
no	ランプ番号
level	出力レベル

[備考]
NONE

[字下げ]
4,4,4,4,8,8,12,12,16,16,12,16,16,12,12,8,12,12,8,12,12,8,8,4,0

[関数]
lamp_on
公開

[関数説明]
NONE

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
4,0

