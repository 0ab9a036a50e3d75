[ファイル名]
types.h

[フォルダ名]
ENGINE_CTL

[ファイルパス]
engine_ctl/types.h

[ファイル説明]
types.h : 共通型定義

[ファイル備考]
NONE

[変数一覧]
固定定数	MODE_STOP	MOTOR_MODE		
固定定数	MODE_IDLE	MOTOR_MODE		
固定定数	MODE_RUN	MOTOR_MODE		

