[ファイル名]
plain.c

[フォルダ名]
DESCRIBED

[ファイルパス]
described/plain.c

[ファイル説明]
plain.c
汎用の補助処理

[ファイル備考]
NONE

[変数一覧]
NONE

[関数]
max_of
公開

[関数説明]
二つの値の大きい方を返す
（同じときは a を返す）

[処理説明]
NONE

[戻り値説明]
NONE

[引数説明]
a	一つ目
b	二つ目

[テンポラリ変数説明]
NONE

[備考]
NONE

[字下げ]
4,0

[関数]
no_comment
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

