[ファイル名]
main.c

[フォルダ名]
PROJ

[ファイルパス]
proj/main.c

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
公開変数	ticks	int		

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
4,4,4,8,4,4,4,0

