[フォルダ名]
SAME

[ファイル名]
hgpk.h

[関数名称]
hgpk_init

[関数型]
static	inline	int

[引数定義]
void

[テンポラリ変数]
NONE

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
0

[変数アクセス情報]
0 [RET]

[コール元]
mouse_probe

