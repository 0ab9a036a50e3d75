[フォルダ名]
A

[ファイル名]
board.c

[関数名称]
helper

[関数型]
static	int

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
1

[変数アクセス情報]
1 [RET]

[コール元]
start_a

