[ファイル名]
control.c

[フォルダ名]
PROJ

[ファイルパス]
proj/control.c

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
NONE

[関数]
chains
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
4,4,8,12,16,12,8,4,8,4,8,4,8,4,4,0

[関数]
selector
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
4,4,4,8,8,4,4,8,4,4,8,4,4,8,4,4,0

[関数]
compute
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
i	only comments and declarations

[備考]
NONE

[字下げ]
4,4,4,0

