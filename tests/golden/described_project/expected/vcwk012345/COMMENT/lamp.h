[ファイル名]
lamp.h

[フォルダ名]
DESCRIBED

[ファイルパス]
described/lamp.h

[ファイル説明]
lamp.h : ランプ制御の公開定義

[ファイル備考]
NONE

[変数一覧]
NONE

[プロトタイプ]
lamp_on
公開

[関数説明]
ランプを点灯する

[処理説明]
NONE

[戻り値説明]
NONE

[引数説明]
no	ランプ番号

[テンポラリ変数説明]
NONE

[備考]
NONE

