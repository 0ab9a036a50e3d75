[ファイル名]
body.c

[フォルダ名]
PROJ

[ファイルパス]
proj/body.c

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
公開変数	total	int		

[関数]
no_lists
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
0

[関数]
temporaries
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
4,4,4,4,4,4,4,0

[関数]
assignments
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
4,4,4,4,4,4,4,4,4,0

[関数]
calls
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
4,4,4,4,4,0

[関数]
conditions
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
4,4,4,8,11,11,8,4,4,8,4,4,4,8,4,8,4,4,8,4,4,0

[関数]
returns
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
4,8,4,0

