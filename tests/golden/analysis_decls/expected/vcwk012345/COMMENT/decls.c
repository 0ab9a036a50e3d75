[ファイル名]
decls.c

[フォルダ名]
PROJ

[ファイルパス]
proj/decls.c

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
define	MAX(a, b)		((a) > (b) ? (a) : (b))	
内部変数	counter	int		
公開変数	x	int		
公開変数	a	int		
公開変数	b	int		
内部変数	buf[16]	char		
公開変数	extern_count	int		
外部変数	ext_val	int		
公開変数	volatile_ptr	const volatile unsigned long *		

[関数]
k
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

[関数]
split
内部

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
NONE

