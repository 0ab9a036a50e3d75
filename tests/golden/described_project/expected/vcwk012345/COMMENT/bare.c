[ファイル名]
bare.c

[フォルダ名]
DESCRIBED

[ファイルパス]
described/bare.c

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
NONE

[関数]
bare_add
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

