[フォルダ名]
SAME

[ファイル名]
hgpk.c

[関数名称]
hgpk_init

[関数型]
int

[引数定義]
void

[テンポラリ変数]
int	tries

[コール関数]
NONE

[コール関数（定義あり）]
NONE

[コール関数（定義なし）]
NONE

[マクロ関数]
NONE

[参照変数]
NONE

[定義値]
NONE



[書込み変数]
NONE


[戻り値]
tries

[変数アクセス情報]
tries [RET]

[コール元]
NONE_CALLER
