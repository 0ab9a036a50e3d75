[ファイル名]
motor.c

[フォルダ名]
PROJ

[ファイルパス]
proj/motor.c

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
define	MAX_SPEED		100	
define	CLAMP(v)		((v) > MAX_SPEED ? MAX_SPEED : (v))	
内部変数	motor_speed	int		
内部変数	table[16]	UINT8		
公開変数	state	MOTOR_STATE		

[関数]
clamp_speed
内部

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
4,4,4,8,4,4,0

[関数]
motor_start
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
4,4,4,8,4,4,4,4,0

[関数]
motor_stop
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
4,7,4,4,4,8,8,4,8,4,4,8,4,0

[関数]
motor_table
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

