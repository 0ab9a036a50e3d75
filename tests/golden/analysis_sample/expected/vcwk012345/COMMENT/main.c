[ファイル名]
main.c

[フォルダ名]
ENGINE_CTL

[ファイルパス]
engine_ctl/main.c

[ファイル説明]
main.c : エンジン制御 メイン処理
  周期 SAMPLE_PERIOD ms ごとにセンサを読み、モータを制御する。

[ファイル備考]
NONE

[変数一覧]
外部変数	g_rpm	ULONG		
内部変数	s_tick	ULONG		経過周期数
公開変数	g_error	UCHAR		異常フラグ

[関数]
main
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
4,4,8,4,4,0

[関数]
system_init
内部

[関数説明]
初期化処理

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
4,4,4,0

[関数]
main_cycle
内部

[関数説明]
定周期処理

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
4,4,4,8,4,4,0,4,8,4,0,4,0

