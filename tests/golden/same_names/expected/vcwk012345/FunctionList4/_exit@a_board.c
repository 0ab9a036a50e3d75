[フォルダ名]
A

[ファイル名]
board.c

[関数名称]
_exit

[関数型]
void

[引数定義]
int	code	

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
count

[戻り値]
NONE

[変数アクセス情報]
count [w]
code [R]

[コール元]
main
stop_a

