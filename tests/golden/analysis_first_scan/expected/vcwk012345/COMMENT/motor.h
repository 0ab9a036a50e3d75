[ファイル名]
motor.h

[フォルダ名]
PROJ

[ファイルパス]
proj/motor.h

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
外部変数	motor_speed	int		

