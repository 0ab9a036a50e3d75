[ファイル名]
decls.h

[フォルダ名]
PROJ

[ファイルパス]
proj/decls.h

[ファイル説明]
NONE

[ファイル備考]
NONE

[変数一覧]
NONE

