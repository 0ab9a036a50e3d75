[ファイル名]
motor.c

[フォルダ名]
ENGINE_CTL

[ファイルパス]
engine_ctl/motor.c

[ファイル説明]
motor.c : モータ制御

[ファイル備考]
NONE

[変数一覧]
内部変数	s_mode	MOTOR_MODE		
公開変数	g_rpm	ULONG		
公開変数	g_duty	USHORT		

[関数]
motor_update
公開

[関数説明]
モータ状態更新

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
4,4,8,4,8,4,8,4,4,4,8,8,4,8,8,4,8,8,4,4,0

[関数]
motor_calc_duty
内部

[関数説明]
デューティ計算

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
4,8,4,4,0

[関数]
motor_set_duty
公開

[関数説明]
デューティ出力

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
4,4,0

